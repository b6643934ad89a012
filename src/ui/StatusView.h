#pragma once
// The window's face of the status line: the pages report through the model
// (StatusSink) on their labels (LuState, LPState, LMstate, LNstate,
// LDstate), and the labels bound here show the model's texts in the colour
// of their kind. The colours of the kinds live here and nowhere else.

#include <QColor>
#include <QObject>
#include <QPointer>

#include <array>
#include <optional>

class QLabel;

namespace pim {
class StatusLine;
enum class StatusLabel;
enum class StatusKind;
}

namespace pim::ui {

class StatusView : public QObject {
    Q_OBJECT
public:
    explicit StatusView(StatusLine &model, QObject *parent = nullptr);

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

    // The label that shows `which` (each page hands over its own).
    void bind(StatusLabel which, QLabel *label);
    // Paints one label from the model (all when none is given).
    void paint(std::optional<StatusLabel> which = std::nullopt);

private:
    StatusLine &m_model;
    std::array<QPointer<QLabel>, 5> m_labels;
};

} // namespace pim::ui
