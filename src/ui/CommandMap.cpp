#include "ui/CommandMap.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace pim::ui {

const QList<CommandDef> &commandTable()
{
    static const QList<CommandDef> table = {
        {"Acreate", "управление", "подготовка", "", -1, false},
        {"Aimit", "управление", "имитация", "", 4, true},
        {"AEnter", "управление", "подсветка", "", -1, false},
        {"AExit", "управление", "отсветка", "", -1, false},
        {"AConChange", "управление", "изменение Конфигурации для Калибровки", "", -1, false},
        {"AnoSysChange", "управление", "Просмотр конфиг по сист ", "", -1, false},
        {"Aping", "управление", "проверить сеть", "", -1, false},
        {"AreadNoTu", "чтение", "номер/тип", "прочитать тип и номер уст-ва", 0, false},
        {"Areadstate", "чтение", "состояние", "прочитать состояние уст-ва", 1, true},
        {"AreadParam", "чтение", "Конфигурация", "прочитать параметры уст-ва", 2, false},
        {"AreadArh", "чтение", "архив", "читать суточный архив", 3, false},
        {"ARA225", "чтение", "Архив225", "", -1, false},
        {"ARA227", "чтение", "Архив227", "", -1, false},
        {"ARA228", "чтение", "Архив228", "", -1, false},
        {"ARA229", "чтение", "Архив 229", "", -1, false},
        {"ARA234", "чтение", "Архив 234", "", -1, false},
        {"ARA238", "чтение", "Архив 238", "", -1, false},
        {"AstopArhRead", "чтение", "стоп", "остановить чтение архива", 6, false},
        {"AReadChang", "чтение", "ЖУИ", "журнал учета изменений", 16, true},
        {"AreadFileArh", "чтение", "чтение архива", "читать архив из файла", 17, true},
        {"AGetDataLogger", "чтение", "чтение из носилки", "чтение архива из файла MIRA-1 и др.", 30, false},
        {"ASaveDateTime", "запись", "Уст дату/время", "установить дату и время из компьютера", 7, false},
        {"ASetNO", "запись", "задать №", "записать серийный номер", 9, false},
        {"ASetPar", "запись", "запись конфигурации", "Записать конфигурацию в устройство", 10, false},
        {"ASetDevice", "запись", "инициализация", "обнуление накопительных счетчиков и др.", 11, false},
        {"AsetWorkTime", "запись", "обнулить время работы", "начать отсчет времени работы", 12, false},
        {"ASetArh", "запись", "стереть архивы", "обнулить все архивы", 13, false},
        {"Asavearh", "запись", "запись архива", "запись архива в файл", 18, false},
        {"AArhPrint", "печать", "печать архива", "пр.просмотр и печать архива", 8, false},
        {"ASaveGlobal", "обобщенные", "запись", "все о записи", 14, false},
        {"Acal", "обобщенные", "калибровка", "калибровка", 15, false},
        {"AErrDec", "обобщенные", "расшифровать ошибку", "", -1, false},
        {"Ahelp", "обобщенные", "Справка", "помощь", 19, true},
        {"VesChange", "", "VesChange", "", -1, false},
        {"Action1", "", "    ", "", -1, false},
    };
    return table;
}

// The image list itself is the toolkit's: standard icons stand for the
// positions the commands use.
QIcon CommandMap::icon(int image)
{
    QStyle *s = QApplication::style();
    switch (image) {
    case 0: return s->standardIcon(QStyle::SP_ComputerIcon);
    case 1: return s->standardIcon(QStyle::SP_BrowserReload);
    case 2: return s->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 3: return s->standardIcon(QStyle::SP_FileDialogListView);
    case 4: return s->standardIcon(QStyle::SP_MediaPlay);
    case 5: return s->standardIcon(QStyle::SP_FileDialogStart);
    case 6: return s->standardIcon(QStyle::SP_BrowserStop);
    case 7: return s->standardIcon(QStyle::SP_MediaSeekForward);
    case 8: return s->standardIcon(QStyle::SP_FileDialogContentsView);
    case 9: return s->standardIcon(QStyle::SP_DialogApplyButton);
    case 10: return s->standardIcon(QStyle::SP_DialogSaveButton);
    case 11: return s->standardIcon(QStyle::SP_DialogResetButton);
    case 12: return s->standardIcon(QStyle::SP_MediaSkipBackward);
    case 13: return s->standardIcon(QStyle::SP_TrashIcon);
    case 14: return s->standardIcon(QStyle::SP_DriveHDIcon);
    case 15: return s->standardIcon(QStyle::SP_FileDialogInfoView);
    case 16: return s->standardIcon(QStyle::SP_FileDialogToParent);
    case 17: return s->standardIcon(QStyle::SP_DialogOpenButton);
    case 18: return s->standardIcon(QStyle::SP_DriveFDIcon);
    case 19: return s->standardIcon(QStyle::SP_DialogHelpButton);
    case 30: return s->standardIcon(QStyle::SP_DriveCDIcon);
    default: return {};
    }
}

CommandMap::CommandMap(QWidget *owner) : QObject(owner)
{
    for (const CommandDef &s : commandTable()) {
        auto *a = new QAction(QString::fromUtf8(s.caption), owner);
        const QString name = QString::fromUtf8(s.name);
        a->setObjectName(name);
        a->setProperty("category", QString::fromUtf8(s.category));
        a->setProperty("imageIndex", s.image);
        const QString hint = QString::fromUtf8(s.hint);
        if (!hint.isEmpty()) {
            a->setToolTip(hint);
            a->setStatusTip(hint);
        }
        if (s.image >= 0)
            a->setIcon(icon(s.image));
        a->setCheckable(s.toggle);
        if (name == QLatin1String("Ahelp"))
            a->setShortcut(QKeySequence(Qt::Key_F1));
        owner->addAction(a);
        m_byName.insert(name, a);
        m_order.append(a);
    }
}

QAction *CommandMap::action(const QString &name) const
{
    return m_byName.value(name, nullptr);
}

QAction *CommandMap::proxy(QAction *target, const QString &caption, QObject *parent)
{
    // A second face of a command with another caption (the toolbar's
    // "МИРА", the group's "конфигурация"): it runs the command and follows
    // its enabled state.
    auto *p = new QAction(target->icon(), caption, parent);
    p->setObjectName(target->objectName() + QStringLiteral("_face"));
    p->setToolTip(target->toolTip());
    p->setStatusTip(target->statusTip());
    p->setEnabled(target->isEnabled());
    connect(p, &QAction::triggered, target, &QAction::trigger);
    connect(target, &QAction::changed, p, [p, target] { p->setEnabled(target->isEnabled()); });
    return p;
}

QToolBar *CommandMap::buildToolBar(QWidget *parent)
{
    auto *tb = new QToolBar(QStringLiteral("команды"), parent);
    tb->setObjectName(QStringLiteral("ToolBar1"));
    tb->setMovable(false);
    tb->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto button = [&](QAction *a, bool imageOnly) {
        auto *b = new QToolButton(tb);
        b->setObjectName(QStringLiteral("TB") + a->objectName());
        b->setDefaultAction(a);
        b->setToolButtonStyle(imageOnly ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
        tb->addWidget(b);
        return b;
    };

    button(action(QStringLiteral("AreadNoTu")), false);
    button(action(QStringLiteral("Areadstate")), false);
    button(action(QStringLiteral("AreadArh")), false);
    button(action(QStringLiteral("AstopArhRead")), false);
    tb->addSeparator();
    button(action(QStringLiteral("AreadFileArh")), true);
    button(action(QStringLiteral("Asavearh")), true);
    button(action(QStringLiteral("AArhPrint")), true);
    tb->addSeparator();
    button(proxy(action(QStringLiteral("AGetDataLogger")), QStringLiteral("МИРА"), tb), false);
    tb->addSeparator();
    button(action(QStringLiteral("AreadParam")), false);

    // The group "запись": its own click does nothing, its list runs the
    // write commands.
    auto *group = button(action(QStringLiteral("ASaveGlobal")), false);
    auto *menu = new QMenu(group);
    menu->setObjectName(QStringLiteral("PMsaveGlobal"));
    menu->addAction(proxy(action(QStringLiteral("ASetPar")), QStringLiteral("конфигурация"), menu));
    menu->addAction(action(QStringLiteral("ASaveDateTime")));
    menu->addAction(action(QStringLiteral("AsetWorkTime")));
    menu->addAction(action(QStringLiteral("ASetArh")));
    menu->addAction(action(QStringLiteral("ASetDevice")));
    group->setMenu(menu);
    group->setPopupMode(QToolButton::MenuButtonPopup);
    tb->addSeparator();
    button(action(QStringLiteral("ASetNO")), true);
    button(action(QStringLiteral("Acal")), true);
    button(action(QStringLiteral("AReadChang")), true);
    button(action(QStringLiteral("Ahelp")), false);
    return tb;
}

QStringList CommandMap::menuItems(const QString &menuName)
{
    if (menuName == QLatin1String("PMr"))
        return {"AreadNoTu", "Areadstate", "AreadParam", "AreadArh", "AreadFileArh", "AReadChang", "AArhPrint"};
    if (menuName == QLatin1String("PMs"))
        return {"ASetPar", "ASaveDateTime", "AsetWorkTime", "ASetDevice", "ASetArh"};
    if (menuName == QLatin1String("PMa"))
        return {"AreadArh", "AstopArhRead", "AArhPrint"};
    if (menuName == QLatin1String("PMk"))
        return {"ASetNO", "ASetPar", "Acal", "AsetWorkTime", "ASetDevice", "ASaveDateTime", "ASetArh", "AreadParam"};
    return {};
}

QMenu *CommandMap::buildMenu(const QString &name, QWidget *parent)
{
    auto *m = new QMenu(parent);
    m->setObjectName(name);
    for (const QString &item : menuItems(name))
        if (QAction *a = action(item))
            m->addAction(a);
    return m;
}

} // namespace pim::ui
