#pragma once
// The window's face of the status line: the pages report on their labels
// (LuState, LPState, LMstate, LNstate, LDstate) through the model, and the
// labels show the model's texts and colours.

#include <QColor>
#include <QObject>
#include <QString>

#include <optional>

class QLabel;
class QWidget;

namespace pim {
class StatusLine;
enum class StatusLabel;
}

namespace pim::ui {

class StatusView : public QObject {
    Q_OBJECT
public:
    // Paints the labels found by name below `window`.
    StatusView(StatusLine &model, QWidget *window, QObject *parent = nullptr);

    // Colours in blue-green-red order.
    static constexpr quint32 kOlive = 0x008080;
    static constexpr quint32 kGreen = 0x008000;
    static constexpr quint32 kRed = 0x0000FF;
    static QColor colourOf(quint32 bgr);

    StatusLine &model() { return m_model; }

    void busy(QLabel *label, const QString &message);
    void ok(QLabel *label, const QString &message);
    void fail(QLabel *label, const QString &message);
    void text(QLabel *label, const QString &message, quint32 colour);

    // The colour the label shows (the identity command tests LPState).
    quint32 labelColour(const QLabel *label) const;

    // Paints one label from the model (all when none is given).
    void paint(std::optional<StatusLabel> which = std::nullopt);

private:
    std::optional<StatusLabel> labelOf(const QLabel *label) const;

    StatusLine &m_model;
    QWidget *m_window;
};

} // namespace pim::ui
