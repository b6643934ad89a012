#include "ui/WidgetSettings.h"

#include "base/Dates.h"
#include "ui/RadioGroup.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>

#include <cmath>

namespace pim::ui {
namespace {

enum class Kind { None, Spin, Edit, Combo, Radio, Date, Check, Pages, Label };

Kind kindOf(const QWidget *w)
{
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || w->property("noSetting").toBool())
        return Kind::None;
    if (qobject_cast<const QCheckBox *>(w))
        return Kind::Check;
    if (qobject_cast<const QRadioButton *>(w))
        return Kind::Check;
    if (qobject_cast<const QComboBox *>(w))
        return name == QLatin1String("cbd") ? Kind::None : Kind::Combo;
    if (qobject_cast<const QDateTimeEdit *>(w))
        return Kind::Date;
    if (qobject_cast<const QSpinBox *>(w))
        return Kind::Spin;
    if (qobject_cast<const QLineEdit *>(w)) {
        // The editors inside spin and combo boxes belong to them.
        const QWidget *p = w->parentWidget();
        if (qobject_cast<const QAbstractSpinBox *>(p) || qobject_cast<const QComboBox *>(p))
            return Kind::None;
        return Kind::Edit;
    }
    if (qobject_cast<const RadioGroup *>(w))
        return Kind::Radio;
    if (qobject_cast<const QTabWidget *>(w))
        return name == QLatin1String("PCcon") ? Kind::Pages : Kind::None;
    if (qobject_cast<const QLabel *>(w))
        return Kind::Label;
    return Kind::None;
}

void walk(QObject *o, QList<QWidget *> &out, QSet<QString> &seen)
{
    for (QObject *c : o->children()) {
        if (auto *w = qobject_cast<QWidget *>(c)) {
            if (!w->isWindow() && kindOf(w) != Kind::None && !seen.contains(w->objectName())) {
                seen.insert(w->objectName());
                out.append(w);
            }
            if (!w->isWindow())
                walk(w, out, seen);
        }
    }
}

QString valueOf(QWidget *w)
{
    switch (kindOf(w)) {
    case Kind::Spin:
        return QString::number(static_cast<QSpinBox *>(w)->value());
    case Kind::Edit:
        return static_cast<QLineEdit *>(w)->text();
    case Kind::Combo:
        return QString::number(static_cast<QComboBox *>(w)->currentIndex());
    case Kind::Radio:
        return QString::number(static_cast<RadioGroup *>(w)->itemIndex());
    case Kind::Date:
        return QString::number(dateToScale(static_cast<QDateTimeEdit *>(w)->date()));
    case Kind::Check:
        return SettingsFile::checkedValue(static_cast<QAbstractButton *>(w)->isChecked());
    case Kind::Pages:
        return QString::number(static_cast<QTabWidget *>(w)->currentIndex());
    case Kind::Label:
        return static_cast<QLabel *>(w)->text();
    case Kind::None:
        break;
    }
    return {};
}

void apply(QWidget *w, const QString &value)
{
    const int n = SettingsFile::toInt(value);
    switch (kindOf(w)) {
    case Kind::Spin:
        // setValue keeps the value inside the control's range: a damaged
        // file cannot make the polling period 0 or remove the time-out.
        static_cast<QSpinBox *>(w)->setValue(n);
        break;
    case Kind::Edit:
        static_cast<QLineEdit *>(w)->setText(value);
        break;
    case Kind::Combo: {
        auto *cb = static_cast<QComboBox *>(w);
        cb->setCurrentIndex(n >= 0 && n < cb->count() ? n : -1);
        break;
    }
    case Kind::Radio:
        static_cast<RadioGroup *>(w)->setItemIndex(n);
        break;
    case Kind::Date: {
        bool ok = false;
        const double d = value.trimmed().toDouble(&ok);
        const int day = ok && std::isfinite(d) && std::abs(d) < 3e6 ? int(std::lround(d)) : 0;
        static_cast<QDateTimeEdit *>(w)->setDate(scaleToDate(day));
        break;
    }
    case Kind::Check: {
        auto *b = static_cast<QAbstractButton *>(w);
        const bool checked = SettingsFile::isChecked(value);
        if (auto *rb = qobject_cast<QRadioButton *>(b); rb && !checked && rb->autoExclusive()) {
            // An exclusive radio button cannot be unchecked by itself; its
            // partner's own line checks the other one.
            break;
        }
        b->setChecked(checked);
        break;
    }
    case Kind::Pages: {
        auto *t = static_cast<QTabWidget *>(w);
        if (n >= 0 && n < t->count())
            t->setCurrentIndex(n);
        break;
    }
    case Kind::Label:
        static_cast<QLabel *>(w)->setText(value);
        break;
    case Kind::None:
        break;
    }
}

} // namespace

QList<QWidget *> storedControls(QWidget *root)
{
    QList<QWidget *> out;
    QSet<QString> seen;
    if (root)
        walk(root, out, seen);
    return out;
}

QList<SettingsEntry> collectSettings(QWidget *root)
{
    QList<SettingsEntry> entries;
    for (QWidget *w : storedControls(root))
        entries.append({w->objectName(), valueOf(w)});
    return entries;
}

void applySettings(QWidget *root, const QList<SettingsEntry> &entries, int *cbconIndex)
{
    if (cbconIndex)
        *cbconIndex = -1;
    for (QWidget *w : storedControls(root)) {
        const QString name = w->objectName();
        for (const SettingsEntry &e : entries) {
            if (e.name != name)
                continue;
            apply(w, e.value.left(SettingsFile::kMaxValueLength));
            if (cbconIndex && name == QLatin1String("CBcon"))
                *cbconIndex = SettingsFile::toInt(e.value);
        }
    }
}

} // namespace pim::ui
