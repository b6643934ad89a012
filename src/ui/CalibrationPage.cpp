#include "ui/CalibrationPage.h"

#include "ui/PageKit.h"
#include "ui/CommandMap.h"
#include "ui/RadioGroup.h"

#include <QAction>
#include <QLabel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pim::ui {

CalibrationPage::CalibrationPage(CommandMap &commands, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TSk"));
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Pcal"));
    m_pmk = kit::attachMenu(commands, panel, QStringLiteral("PMk"));

    auto *rgk = new RadioGroup(QStringLiteral("RGk"), QStringLiteral("Калибровка по:"),
                               {QStringLiteral("МЕНЬШЕЙ температуре"), QStringLiteral("БОЛЬШЕЙ температуре"),
                                QStringLiteral("ДАВЛЕНИЮ")},
                               1, panel);
    {
        const QSignalBlocker block(rgk);
        rgk->setItemIndex(0);
    }
    auto *g = new QGridLayout(panel);
    g->addWidget(rgk, 0, 0, 4, 1);
    const char *labels[4] = {"L1Td1", "L1Od2", "L2Td1", "L2Od2"};
    const char *captions[4] = {"система 1, датчик 1", "система 1, датчик 2", "система 2, датчик 1",
                               "система 2, датчик 2"};
    const char *spins[4] = {"SE1Td1", "SE1Od2", "SE2Td1", "SE2Od2"};
    for (int i = 0; i < 4; ++i) {
        g->addWidget(kit::label(labels[i], captions[i], "", panel), i, 1);
        g->addWidget(kit::spin(spins[i], -kit::kUnbounded, kit::kUnbounded, 0, "", panel), i, 2);
    }
    m_enok = kit::edit("Enok", QString(), "", panel);
    m_enok->setReadOnly(true);
    g->addWidget(m_enok, 4, 1);
    m_sedn = kit::spin("SEDN", 1, 65535, 1, "№ устройства (для записи)", panel);
    g->addWidget(m_sedn, 4, 2);

    const std::pair<const char *, const char *> buttons[] = {
        {"BuNoTu", "AreadNoTu"},      {"BuSetNo", "ASetNO"},       {"BuDateTime", "ASaveDateTime"},
        {"BuSetPar", "ASetPar"},      {"BuInit", "ASetDevice"},    {"BuCal", "Acal"},
        {"BuWorkTime", "AsetWorkTime"}, {"BuClrArh", "ASetArh"},
    };
    int col = 0;
    auto *row = new QHBoxLayout;
    for (const auto &[name, action] : buttons)
        row->addWidget(kit::commandButton(commands, name, action, panel)), ++col;
    auto *def = kit::button("BuDefault", "Конфигурация по умолчанию", "", panel);
    def->setEnabled(false);
    row->addWidget(def);
    row->addStretch();
    g->addLayout(row, 5, 0, 1, 3);
    g->setRowStretch(6, 1);
    g->setColumnStretch(3, 1);

    // The calibration itself comes with its workflow; the command buttons
    // and the menu follow their commands.
    for (QWidget *w : panel->findChildren<QWidget *>())
        if (!qobject_cast<QPushButton *>(w) && !qobject_cast<QMenu *>(w) && w != m_enok && w != m_sedn
            && !m_sedn->isAncestorOf(w))
            w->setEnabled(false);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(panel, 1);
}

} // namespace pim::ui
