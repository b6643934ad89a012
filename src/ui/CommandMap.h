#pragma once
// Every command of the main window: name, category, caption, hint, image,
// whether it is a toggle; the toolbar and the pop-up menus built from them.

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace pim::ui {

struct CommandDef {
    const char *name;
    const char *category; // UTF-8, empty for none
    const char *caption;
    const char *hint;
    int image;            // -1 = none
    bool toggle;
};

// The table of the commands, in their design order.
const QList<CommandDef> &commandTable();

class CommandMap : public QObject {
    Q_OBJECT
public:
    // Creates one QAction per command, owned by `owner`, with the object
    // name of the command and the properties "category" and "imageIndex".
    explicit CommandMap(QWidget *owner);

    QAction *action(const QString &name) const;
    QList<QAction *> actions() const { return m_order; }

    // The toolbar, left to right, as the operator knows it.
    QToolBar *buildToolBar(QWidget *parent);
    // "PMr", "PMs", "PMa", "PMk".
    QMenu *buildMenu(const QString &name, QWidget *parent);
    static QStringList menuItems(const QString &menuName); // the action names
    // The picture of an image position (the toolkit's standard icons).
    static QIcon icon(int image);

private:
    QAction *proxy(QAction *target, const QString &caption, QObject *parent);

    QHash<QString, QAction *> m_byName;
    QList<QAction *> m_order;
};

} // namespace pim::ui
