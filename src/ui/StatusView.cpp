#include "ui/StatusView.h"

#include "workflows/StatusLine.h"

#include <QLabel>

namespace pim::ui {

StatusView::StatusView(StatusLine &model, QObject *parent) : QObject(parent), m_model(model)
{
    connect(&m_model, &StatusLine::labelChanged, this, [this](StatusLabel l) { paint(l); });
}

QColor StatusView::colourOf(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QColor StatusView::textColour(StatusKind kind)
{
    switch (kind) {
    case StatusKind::Busy:
    case StatusKind::Progress:
        return QColor(0x80, 0x80, 0x00); // olive
    case StatusKind::Ok:
    case StatusKind::Done:
        return QColor(0x00, 0x80, 0x00); // green
    case StatusKind::Fail:
        return QColor(0xFF, 0x00, 0x00); // red
    case StatusKind::None:
        break;
    }
    return QColor(Qt::black);
}

QColor StatusView::lampColour(StatusKind kind)
{
    switch (kind) {
    case StatusKind::Busy:
    case StatusKind::Progress:
        return QColor(0xFF, 0xFF, 0x00); // yellow
    case StatusKind::Fail:
        return QColor(0xFF, 0x00, 0x00); // red
    default:
        return QColor(0x00, 0xFF, 0x00); // green
    }
}

void StatusView::bind(StatusLabel which, QLabel *label)
{
    m_labels[size_t(which)] = label;
    paint(which);
}

void StatusView::paint(std::optional<StatusLabel> which)
{
    for (size_t i = 0; i < m_labels.size(); ++i) {
        const auto l = StatusLabel(i);
        if (which && *which != l)
            continue;
        QLabel *label = m_labels[i];
        if (!label)
            continue;
        const StatusLine::Label s = m_model.label(l);
        // A label nothing has reported on keeps its design text.
        if (s.kind == StatusKind::None && s.text.isEmpty())
            continue;
        label->setText(s.text);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, textColour(s.kind));
        label->setPalette(p);
    }
}

} // namespace pim::ui
