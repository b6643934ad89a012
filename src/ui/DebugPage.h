#pragma once
// "ОТЛАДКА": command tables, raw frames, listing and terminal of the
// service console.

#include <QWidget>

namespace pim::ui {

struct Shell;

class DebugPage : public QWidget {
    Q_OBJECT
public:
    DebugPage(Shell &shell, QWidget *parent = nullptr);
};

} // namespace pim::ui
