#include "ui/Shell.h"

#include "ui/CommandMap.h"

#include <QLabel>

namespace pim::ui {

QAction *Shell::action(const QString &name) const
{
    return commands ? commands->action(name) : nullptr;
}

QLabel *Shell::label(const QString &name) const
{
    return find<QLabel>(name);
}

} // namespace pim::ui
