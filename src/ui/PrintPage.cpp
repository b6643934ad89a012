#include "ui/PrintPage.h"

#include "ui/PageKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

namespace pim::ui {

PrintPage::PrintPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TSp"));
    auto *g = new QGridLayout(this);
    const std::tuple<const char *, const char *, int> margins[] = {
        {"SELeft", "Левое поле, мм", 15},
        {"SEtop", "Верхнее поле,мм", 5},
        {"SERight", "правое поле,мм", 5},
        {"SEbottom", "нижнее поле,мм", 5},
        {"SEint", "межстрочный интервал=значение+1мм", 0},
    };
    int r = 0;
    for (const auto &[name, hint, value] : margins) {
        g->addWidget(new QLabel(QString::fromUtf8(hint), this), r, 0);
        g->addWidget(kit::spin(name, -kit::kUnbounded, kit::kUnbounded, value, hint, this), r, 1);
        ++r;
    }
    g->addWidget(kit::check("cbf", "поля", "показывать поля (будут печататься)", true, this), r++, 1);
    auto *vars = kit::combo("cbd", "", this);
    vars->setPlaceholderText(QStringLiteral("переменные значения"));
    g->addWidget(vars, r++, 1);
    g->setRowStretch(r, 1);
    g->setColumnStretch(2, 1);
    for (QWidget *w : findChildren<QWidget *>())
        w->setEnabled(false);
}

} // namespace pim::ui
