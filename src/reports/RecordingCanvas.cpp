#include "reports/ReportCanvas.h"

namespace pim {

RecordingCanvas::RecordingCanvas(ReportCanvas *target, double widthMm, double heightMm)
    : m_target(target), m_width(widthMm), m_height(heightMm)
{
}

double RecordingCanvas::pageWidthMm() const
{
    return m_target ? m_target->pageWidthMm() : m_width;
}

double RecordingCanvas::pageHeightMm() const
{
    return m_target ? m_target->pageHeightMm() : m_height;
}

void RecordingCanvas::setFont(const ReportFont &font)
{
    m_font = font;
    if (m_target)
        m_target->setFont(font);
}

double RecordingCanvas::lineHeightMm() const
{
    return m_target ? m_target->lineHeightMm() : m_font.size * 0.5;
}

double RecordingCanvas::textWidthMm(const QString &text) const
{
    return m_target ? m_target->textWidthMm(text) : text.size() * m_font.size * 0.2;
}

void RecordingCanvas::drawText(double xMm, double yMm, const QString &text)
{
    m_pages.last().items.append(Item{xMm, yMm, text, textWidthMm(text)});
    if (m_target)
        m_target->drawText(xMm, yMm, text);
}

void RecordingCanvas::drawFrame(double left, double top, double right, double bottom)
{
    m_pages.last().frames.append(Frame{left, top, right, bottom});
    if (m_target)
        m_target->drawFrame(left, top, right, bottom);
}

void RecordingCanvas::newPage()
{
    m_pages.append(Page{});
    if (m_target)
        m_target->newPage();
}

QStringList RecordingCanvas::texts() const
{
    QStringList out;
    for (const Page &p : m_pages)
        for (const Item &i : p.items)
            out << i.text;
    return out;
}

} // namespace pim
