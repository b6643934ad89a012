#include "ui/DebugPage.h"

#include "ui/PageKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace pim::ui {

DebugPage::DebugPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TSdeb"));
    auto *g = new QGridLayout(this);
    m_ldstate = kit::label("LDstate", "НЕ ВЫБРАН", "Состояние порта", this);
    QLabel *ldstate = m_ldstate;
    g->addWidget(kit::combo("CBCd", "COM-порт", this), 0, 0);
    auto *bd = kit::combo("CBBd", "СКОРОСТЬ ОБМЕНА", this);
    bd->addItems({"300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600",
                  "115200"});
    bd->setCurrentIndex(bd->findText(QStringLiteral("9600")));
    g->addWidget(bd, 0, 1);
    g->addWidget(ldstate, 0, 2, 1, 2);
    g->addWidget(kit::spin("SEtu", 0, 255, 225, "Тип устройства", this), 1, 0);
    g->addWidget(kit::spin("SEnou", 0, 65535, 22, "№ устройства", this), 1, 1);
    g->addWidget(kit::combo("CBcmd", "cписок таблиц тащи на метку", this), 2, 0, 1, 2);
    g->addWidget(kit::combo("CBfmt", "Форматы значений тащи на таблицу", this), 2, 2);
    g->addWidget(kit::combo("CBv", "предопределенные значения тащи на таблицу", this), 2, 3);
    g->addWidget(kit::label("Label1", "КОДИРОВКА:", "", this), 3, 0);
    g->addWidget(kit::label("Lcod", "НЕ ОПРЕДЕЛЕНО", "дв.щ-закодировать и послать", this), 3, 1);
    g->addWidget(kit::label("Label2", "РАСКОДИРОВКА:", "", this), 3, 2);
    g->addWidget(kit::label("Ldec", "НЕ ОПРЕДЕЛЕНО", "", this), 3, 3);
    g->addWidget(kit::check("CBp", "посылать", "послать конкретно", false, this), 4, 0);
    g->addWidget(kit::check("CBdec", "только значения", "Не выдавать по байтам", false, this), 4, 1);
    g->addWidget(kit::check("CBant", "только ответ", "Выдать только ответ устройства", false, this), 4, 2);
    g->addWidget(kit::check("cbASCII", "табл ASCII", "выдать таблицу ASCII в обл просмотра", false, this), 4, 3);
    g->addWidget(kit::button("Button2", "послать...", "Послать комаду в устройство", this), 5, 0);
    auto *grid = new QTableWidget(this);
    grid->setObjectName(QStringLiteral("SGcmd"));
    g->addWidget(grid, 6, 0, 1, 2);
    auto *lbq = new QListWidget(this);
    lbq->setObjectName(QStringLiteral("LBq"));
    lbq->setFont(QFont(QStringLiteral("Monospace")));
    g->addWidget(lbq, 6, 2, 1, 2);
    auto *memo = new QPlainTextEdit(QStringLiteral("гипертерминал"), this);
    memo->setObjectName(QStringLiteral("MEMOD"));
    memo->setReadOnly(true);
    memo->setToolTip(QStringLiteral("дв.щ.-очистить"));
    g->addWidget(memo, 7, 0, 1, 4);
    g->setRowStretch(6, 1);
    for (QWidget *w : findChildren<QWidget *>())
        if (w != ldstate)
            w->setEnabled(false);
}

} // namespace pim::ui
