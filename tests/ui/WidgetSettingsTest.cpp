// The class rules on a small form holding one control of each class: what is
// stored, how it is read back, and that a control added later needs no code.

#include "UiSupport.h"

#include "base/Dates.h"
#include "ui/RadioGroup.h"
#include "ui/WidgetSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace pim;
using namespace pim::ui;

namespace {
struct Form {
    QWidget root;
    QSpinBox *spin = new QSpinBox(&root);
    QLineEdit *edit = new QLineEdit(&root);
    QComboBox *combo = new QComboBox(&root);
    QComboBox *cbd = new QComboBox(&root);
    RadioGroup *group = new RadioGroup("RGdtp", "", {"a", "b", "c"}, 1, &root);
    QDateEdit *date = new QDateEdit(&root);
    QRadioButton *rbu = new QRadioButton(&root);
    QRadioButton *rbs = new QRadioButton(&root);
    QCheckBox *check = new QCheckBox(&root);
    QTabWidget *pccon = new QTabWidget(&root);
    QTabWidget *pcw = new QTabWidget(&root);
    QLabel *label = new QLabel("не определено", &root);
    QLineEdit *unnamed = new QLineEdit("not stored", &root);

    Form()
    {
        spin->setObjectName("SEfire");
        spin->setRange(1, 60);
        spin->setValue(1);
        edit->setObjectName("EFst");
        combo->setObjectName("cbs");
        combo->addItems({"1", "1.5", "2"});
        cbd->setObjectName("cbd");
        cbd->addItems({"x", "y"});
        date->setObjectName("DTPb");
        date->setMinimumDate(QDate(1900, 1, 1));
        date->setDate(QDate(2000, 1, 1));
        rbu->setObjectName("rbu");
        rbs->setObjectName("rbs");
        rbu->setChecked(true);
        check->setObjectName("CBgt");
        pccon->setObjectName("PCcon");
        pcw->setObjectName("PCW");
        for (QTabWidget *t : {pccon, pcw})
            for (int i = 0; i < 4; ++i)
                t->addTab(new QWidget, QString::number(i));
        label->setObjectName("LuState");
    }
};

QString valueOf(const QList<SettingsEntry> &entries, const QString &name)
{
    for (const auto &e : entries)
        if (e.name == name)
            return e.value;
    return "<absent>";
}
} // namespace

TEST(WidgetSettings, EachClassIsStoredByItsRule)
{
    uitest::UiEnv env;
    Form f;
    f.spin->setValue(17);
    f.edit->setText("СОСТОЯНИЕ.TXT");
    f.combo->setCurrentIndex(2);
    f.group->setItemIndex(1);
    f.rbs->setChecked(true);
    f.check->setChecked(true);
    f.pccon->setCurrentIndex(2);
    const auto entries = collectSettings(&f.root);

    EXPECT_EQ(valueOf(entries, "SEfire"), "17");
    EXPECT_EQ(valueOf(entries, "EFst"), "СОСТОЯНИЕ.TXT");
    EXPECT_EQ(valueOf(entries, "cbs"), "2");
    EXPECT_EQ(valueOf(entries, "RGdtp"), "1");
    EXPECT_EQ(valueOf(entries, "DTPb"), "36526"); // 1 January 2000
    EXPECT_EQ(valueOf(entries, "rbu"), "1");
    EXPECT_EQ(valueOf(entries, "rbs"), "0");
    EXPECT_EQ(valueOf(entries, "CBgt"), "0");
    EXPECT_EQ(valueOf(entries, "PCcon"), "2");
    EXPECT_EQ(valueOf(entries, "LuState"), "не определено");
    // Not stored: the print-variable list, page controls but PCcon, unnamed ones.
    EXPECT_EQ(valueOf(entries, "cbd"), "<absent>");
    EXPECT_EQ(valueOf(entries, "PCW"), "<absent>");
    EXPECT_EQ(entries.size(), 10);
}

TEST(WidgetSettings, ValuesAreReadBackByClassWithDamagedValuesMadeHarmless)
{
    uitest::UiEnv env;
    Form f;
    int cbcon = 99;
    applySettings(&f.root,
                  {{"SEfire", "0"},          // below the range: clamped to 1
                   {"EFst", "a.txt"},
                   {"EFst", "b.txt"},        // a later line wins
                   {"cbs", "7"},             // beyond the list: no selection
                   {"cbd", "1"},             // never restored
                   {"RGdtp", "2"},
                   {"DTPb", "36525.6"},      // day numbers are rounded
                   {"rbs", "0"},
                   {"rbu", "1"},
                   {"CBgt", "abc"},          // not a number reads as 0: checked
                   {"PCcon", "9"},           // no such page: unchanged
                   {"PCW", "3"},
                   {"LuState", "прошлый раз"},
                   {"Unknown", "5"}},
                  &cbcon);
    EXPECT_EQ(f.spin->value(), 1);
    EXPECT_EQ(f.edit->text(), "b.txt");
    EXPECT_EQ(f.combo->currentIndex(), -1);
    EXPECT_EQ(f.cbd->currentIndex(), 0);
    EXPECT_EQ(f.group->itemIndex(), 2);
    EXPECT_EQ(f.date->date(), QDate(2000, 1, 1));
    EXPECT_TRUE(f.rbs->isChecked());
    EXPECT_FALSE(f.rbu->isChecked());
    EXPECT_TRUE(f.check->isChecked());
    EXPECT_EQ(f.pccon->currentIndex(), 0);
    EXPECT_EQ(f.pcw->currentIndex(), 0);
    EXPECT_EQ(f.label->text(), "прошлый раз");
    EXPECT_EQ(cbcon, -1);

    applySettings(&f.root, {{"SEfire", "1000"}, {"CBgt", "1"}, {"cbs", "abc"}});
    EXPECT_EQ(f.spin->value(), 60);
    EXPECT_FALSE(f.check->isChecked());
    EXPECT_EQ(f.combo->currentIndex(), 0);
}

TEST(WidgetSettings, AControlAddedLaterIsKeptWithoutFurtherCode)
{
    uitest::UiEnv env;
    Form a;
    auto *added = new QCheckBox(&a.root);
    added->setObjectName("CBnew");
    added->setChecked(true);
    auto *addedSpin = new QSpinBox(&a.root);
    addedSpin->setObjectName("SEnew");
    addedSpin->setValue(42);
    const auto entries = collectSettings(&a.root);
    EXPECT_EQ(valueOf(entries, "CBnew"), "0");

    Form b;
    auto *again = new QCheckBox(&b.root);
    again->setObjectName("CBnew");
    auto *againSpin = new QSpinBox(&b.root);
    againSpin->setObjectName("SEnew");
    applySettings(&b.root, entries);
    EXPECT_TRUE(again->isChecked());
    EXPECT_EQ(againSpin->value(), 42);
}
