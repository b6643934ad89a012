#include "ui/ConfigPage.h"

#include "ui/PageKit.h"
#include "ui/Shell.h"

#include <QMenu>
#include <QVBoxLayout>

namespace pim::ui {

ConfigPage::ConfigPage(Shell &shell, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TSwr"));
    auto *ppar = new QWidget(this);
    ppar->setObjectName(QStringLiteral("Ppar"));
    kit::attachMenu(shell, ppar, QStringLiteral("PMs"));
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(ppar, 1);
}

} // namespace pim::ui
