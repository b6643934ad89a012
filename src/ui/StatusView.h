#pragma once
// The window's face of the status line: the pages report on their labels
// (LuState, LPState, LMstate, LNstate, LDstate) through the model, and the
// labels show the model's texts in the colour of their kind. The colours of
// the kinds live here and nowhere else.

#include <QColor>
#include <QObject>
#include <QString>

#include <optional>

class QLabel;
class QWidget;

namespace pim {
class StatusLine;
enum class StatusLabel;
enum class StatusKind;
}

namespace pim::ui {

class StatusView : public QObject {
    Q_OBJECT
public:
    // Paints the labels found by name below `window`.
    StatusView(StatusLine &model, QWidget *window, QObject *parent = nullptr);

    // A colour given in blue-green-red order (the device tables' label
    // colours).
    static QColor colourOf(quint32 bgr);
    // The text colour of a status kind: olive busy, green ok, red fail,
    // black before any report.
    static QColor textColour(StatusKind kind);
    // The lamp's colour for the kind it shows: yellow busy, green ok, red
    // fail.
    static QColor lampColour(StatusKind kind);

    StatusLine &model() { return m_model; }

    void busy(QLabel *label, const QString &message);
    void ok(QLabel *label, const QString &message);
    void fail(QLabel *label, const QString &message);

    // Paints one label from the model (all when none is given).
    void paint(std::optional<StatusLabel> which = std::nullopt);

private:
    std::optional<StatusLabel> labelOf(const QLabel *label) const;

    StatusLine &m_model;
    QWidget *m_window;
};

} // namespace pim::ui
