#include "ui/StatusView.h"

#include "workflows/StatusLine.h"

#include <QLabel>
#include <QWidget>

namespace pim::ui {

namespace {
constexpr StatusLabel kAll[] = {StatusLabel::LuState, StatusLabel::LPState, StatusLabel::LMstate,
                                StatusLabel::LNstate, StatusLabel::LDstate};
}

StatusView::StatusView(StatusLine &model, QWidget *window, QObject *parent)
    : QObject(parent), m_model(model), m_window(window)
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

std::optional<StatusLabel> StatusView::labelOf(const QLabel *label) const
{
    if (!label)
        return std::nullopt;
    for (StatusLabel l : kAll)
        if (label->objectName() == StatusLine::labelName(l))
            return l;
    return std::nullopt;
}

void StatusView::paint(std::optional<StatusLabel> which)
{
    for (StatusLabel l : kAll) {
        if (which && *which != l)
            continue;
        auto *label = m_window ? m_window->findChild<QLabel *>(StatusLine::labelName(l)) : nullptr;
        if (!label)
            continue;
        const StatusLine::Label s = m_model.label(l);
        label->setText(s.text);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, textColour(s.kind));
        label->setPalette(p);
    }
}

void StatusView::busy(QLabel *label, const QString &message)
{
    if (auto l = labelOf(label))
        m_model.StatusBusy(*l, message);
}

void StatusView::ok(QLabel *label, const QString &message)
{
    if (auto l = labelOf(label))
        m_model.StatusOk(*l, message);
}

void StatusView::fail(QLabel *label, const QString &message)
{
    if (auto l = labelOf(label))
        m_model.StatusFail(*l, message);
}

} // namespace pim::ui
