#pragma once
// "ОТЛАДКА": command tables, raw frames, listing and terminal of the
// service console.

#include <QWidget>

class QLabel;

namespace pim::ui {

class DebugPage : public QWidget {
    Q_OBJECT
public:
    explicit DebugPage(QWidget *parent = nullptr);

    // "LDstate": the service console's port state.
    QLabel *stateLabel() const { return m_ldstate; }

private:
    QLabel *m_ldstate;
};

} // namespace pim::ui
