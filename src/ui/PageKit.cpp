#include "ui/PageKit.h"

#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "ui/CommandMap.h"
#include "workflows/Calibration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

namespace pim::ui::kit {

namespace {
template <class W> W *named(W *w, const char *name, const char *hint)
{
    w->setObjectName(QString::fromUtf8(name));
    if (hint && *hint)
        w->setToolTip(QString::fromUtf8(hint));
    return w;
}
} // namespace

QSpinBox *spin(const char *name, int min, int max, int value, const char *hint, QWidget *parent)
{
    auto *s = named(new QSpinBox(parent), name, hint);
    s->setRange(min, max);
    s->setValue(value);
    return s;
}

QLineEdit *edit(const char *name, const QString &text, const char *hint, QWidget *parent)
{
    return named(new QLineEdit(text, parent), name, hint);
}

QCheckBox *check(const char *name, const char *caption, const char *hint, bool checked, QWidget *parent)
{
    auto *c = named(new QCheckBox(QString::fromUtf8(caption), parent), name, hint);
    c->setChecked(checked);
    return c;
}

QComboBox *combo(const char *name, const char *hint, QWidget *parent)
{
    return named(new QComboBox(parent), name, hint);
}

QLabel *label(const char *name, const char *caption, const char *hint, QWidget *parent)
{
    return named(new QLabel(QString::fromUtf8(caption), parent), name, hint);
}

QPushButton *button(const char *name, const char *caption, const char *hint, QWidget *parent)
{
    return named(new QPushButton(QString::fromUtf8(caption), parent), name, hint);
}

QDateEdit *date(const char *name, QWidget *parent)
{
    auto *d = named(new QDateEdit(QDate::currentDate(), parent), name, "");
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    d->setMinimumDate(QDate(1900, 1, 1));
    return d;
}

QMenu *attachMenu(CommandMap &commands, QWidget *w, const QString &menuName)
{
    // The menu is a window of its own: a panel whose controls are disabled
    // must not take it with them.
    QMenu *m = commands.buildMenu(menuName, w);
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, w,
                     [w, m](const QPoint &p) { m->popup(w->mapToGlobal(p)); });
    return m;
}

QPushButton *commandButton(CommandMap &commands, const char *name, const char *action, QWidget *parent)
{
    QAction *a = commands.action(QString::fromUtf8(action));
    auto *b = button(name, "", "", parent);
    if (!a)
        return b;
    b->setText(a->text());
    b->setToolTip(a->toolTip());
    b->setEnabled(a->isEnabled());
    QObject::connect(b, &QPushButton::clicked, a, &QAction::trigger);
    QObject::connect(a, &QAction::changed, b, [a, b] { b->setEnabled(a->isEnabled()); });
    return b;
}

std::function<void()> offerByType(CommandMap &commands, QWidget *panel, const DeviceSession &session,
                                  const char *calibrate, const char *clearArchives)
{
    struct Offer {
        QPointer<QPushButton> button;
        QPointer<QAction> action;
        bool calibration;
    };
    QList<Offer> offers;
    for (const char *name : {calibrate, clearArchives})
        if (auto *b = panel->findChild<QPushButton *>(QString::fromLatin1(name)))
            offers.append({b, commands.action(name == calibrate ? QStringLiteral("Acal") : QStringLiteral("ASetArh")),
                           name == calibrate});
    const DeviceSession *served = &session;
    auto refresh = [offers, served] {
        const TypeInfo *t = typeInfo(served->type());
        for (const Offer &o : offers) {
            if (!o.button)
                continue;
            const bool offered = !t || (o.calibration ? !Calibration::kinds(served->type()).isEmpty() : t->hasArchive());
            o.button->setEnabled((!o.action || o.action->isEnabled()) && offered);
        }
    };
    for (const Offer &o : offers)
        if (o.action)
            QObject::connect(o.action, &QAction::changed, o.button, refresh);
    return refresh;
}

} // namespace pim::ui::kit
