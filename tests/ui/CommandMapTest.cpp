// The commands as the operator meets them: the toolbar order, the pop-up
// menus, captions, hints and categories, what is disabled, and the question.

#include "UiSupport.h"

#include "ui/CommandMap.h"
#include "ui/ConfirmDialog.h"
#include "ui/MainWindow.h"
#include "ui/CommandMap.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {
QStringList toolbarFaces(QToolBar *tb)
{
    QStringList out;
    for (QAction *a : tb->actions()) {
        if (a->isSeparator()) {
            out << "|";
            continue;
        }
        auto *b = qobject_cast<QToolButton *>(tb->widgetForAction(a));
        if (!b || !b->defaultAction())
            continue;
        QString face = b->defaultAction()->text();
        if (b->toolButtonStyle() == Qt::ToolButtonIconOnly)
            face += "(image)";
        out << face;
    }
    return out;
}

QStringList captions(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << a->text();
    return out;
}
} // namespace

TEST(CommandMap, ToolbarOrderCaptionsAndTheWriteGroup)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    auto *tb = w->findChild<QToolBar *>("ToolBar1");
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(toolbarFaces(tb),
              (QStringList{"номер/тип", "состояние", "архив", "стоп", "|", "чтение архива(image)",
                           "запись архива(image)", "печать архива(image)", "|", "МИРА", "|", "Конфигурация",
                           "запись", "|", "задать №(image)", "калибровка(image)", "ЖУИ(image)", "Справка"}));
    auto *group = w->findChild<QToolButton *>("TBASaveGlobal");
    ASSERT_NE(group, nullptr);
    ASSERT_NE(group->menu(), nullptr);
    EXPECT_EQ(captions(group->menu()->actions()),
              (QStringList{"конфигурация", "Уст дату/время", "обнулить время работы", "стереть архивы",
                           "инициализация"}));
    // The group's own click runs nothing.
    const QString before = w->findChild<QLabel *>("LuState")->text();
    group->click();
    EXPECT_EQ(w->findChild<QLabel *>("LuState")->text(), before);
}

TEST(CommandMap, PopupMenusAndTheReadersHiddenFromThem)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    const std::pair<const char *, QStringList> menus[] = {
        {"PMr", {"номер/тип", "состояние", "Конфигурация", "архив", "чтение архива", "ЖУИ", "печать архива"}},
        {"PMs", {"запись конфигурации", "Уст дату/время", "обнулить время работы", "инициализация", "стереть архивы"}},
        // The archive grid's own export follows the three commands.
        {"PMa", {"архив", "стоп", "печать архива", "", "в CSV"}},
        {"PMk", {"задать №", "запись конфигурации", "калибровка", "обнулить время работы", "инициализация",
                 "Уст дату/время", "стереть архивы", "Конфигурация"}},
    };
    for (const auto &[name, items] : menus) {
        auto *m = w->findChild<QMenu *>(name);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(captions(m->actions()), items) << name;
    }
    for (QMenu *m : w->findChildren<QMenu *>())
        for (QAction *a : m->actions())
            EXPECT_FALSE(a->objectName().startsWith("ARA")) << a->objectName().toStdString();
}

TEST(CommandMap, CategoriesHintsAndWhatIsAvailable)
{
    uitest::UiEnv env;
    auto w = uitest::preparedWindow();
    CommandMap &map = w->commands();
    struct Case {
        const char *name, *category, *caption, *hint;
        bool enabled, toggle;
    };
    const Case cases[] = {
        {"AreadNoTu", "чтение", "номер/тип", "прочитать тип и номер уст-ва", true, false},
        {"Areadstate", "чтение", "состояние", "прочитать состояние уст-ва", true, true},
        {"Aimit", "управление", "имитация", "", true, true},
        {"AErrDec", "обобщенные", "расшифровать ошибку", "", true, false},
        {"Ahelp", "обобщенные", "Справка", "помощь", true, true},
        {"AreadArh", "чтение", "архив", "читать суточный архив", true, false},
        {"AreadFileArh", "чтение", "чтение архива", "читать архив из файла", true, true},
        {"AstopArhRead", "чтение", "стоп", "остановить чтение архива", false, false},
        {"AGetDataLogger", "чтение", "чтение из носилки", "чтение архива из файла MIRA-1 и др.", true, false},
        {"ASetPar", "запись", "запись конфигурации", "Записать конфигурацию в устройство", false, false},
        {"ASetNO", "запись", "задать №", "записать серийный номер", true, false},
        {"AArhPrint", "печать", "печать архива", "пр.просмотр и печать архива", false, false},
        {"Acal", "обобщенные", "калибровка", "калибровка", true, false},
        {"AReadChang", "чтение", "ЖУИ", "журнал учета изменений", false, true},
        {"Action1", "", "    ", "", true, false},
    };
    for (const Case &c : cases) {
        QAction *a = map.action(c.name);
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->property("category").toString(), c.category) << c.name;
        EXPECT_EQ(a->text(), c.caption) << c.name;
        // Without a hint the toolkit shows the caption.
        EXPECT_EQ(a->toolTip(), *c.hint ? QString::fromUtf8(c.hint) : a->text().trimmed()) << c.name;
        EXPECT_EQ(a->isEnabled(), c.enabled) << c.name;
        EXPECT_EQ(a->isCheckable(), c.toggle) << c.name;
    }
    EXPECT_EQ(map.action("Ahelp")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(map.actions().size(), int(commandTable().size()));
}

TEST(ConfirmDialog, OnlyYesContinues)
{
    uitest::UiEnv env;
    ConfirmDialog d;
    EXPECT_EQ(d.windowTitle(), "ВОПРОС");
    EXPECT_EQ(ConfirmDialog::prefix(), "\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   ");
    EXPECT_TRUE(d.cancelButton()->isDefault());

    QTimer::singleShot(0, [&] { d.cancelButton()->click(); });
    EXPECT_FALSE(d.ask("ОЧИСТИТЬ АРХИВЫ ???"));
    EXPECT_TRUE(d.question().endsWith("   ОЧИСТИТЬ АРХИВЫ ???"));

    QTimer::singleShot(0, [&] { d.yesButton()->click(); });
    EXPECT_TRUE(d.ask("ИНИЦИАЛИЗИРОВАТЬ УСТРОЙСТВО ???"));

    QTimer::singleShot(0, [&] { d.reject(); }); // closed by the window's cross
    EXPECT_FALSE(d.ask("СМЕНИТЬ КОНФИГУРАЦИЮ ???"));
}
