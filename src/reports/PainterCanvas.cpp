#include "reports/PainterCanvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPen>

namespace pim {

PainterCanvas::PainterCanvas(QPagedPaintDevice *device) : m_device(device)
{
    const QRectF page = device->pageLayout().fullRect(QPageLayout::Millimeter);
    m_widthMm = page.width();
    m_heightMm = page.height();
    if (!m_painter.begin(device))
        return;
    m_pxPerMm = device->logicalDpiX() / 25.4;
    // The device's own margins would shift the origin; positions count
    // from the paper's corner.
    const QRectF paint = device->pageLayout().paintRect(QPageLayout::Millimeter);
    m_painter.translate(-paint.left() * m_pxPerMm, -paint.top() * m_pxPerMm);
    m_painter.setPen(Qt::black);
}

PainterCanvas::~PainterCanvas()
{
    finish();
}

bool PainterCanvas::finish()
{
    return m_painter.isActive() ? m_painter.end() : true;
}

void PainterCanvas::setFont(const ReportFont &font)
{
    QFont f(font.name);
    f.setPointSizeF(font.size);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    m_painter.setFont(QFont(f, m_device));
}

double PainterCanvas::lineHeightMm() const
{
    return QFontMetricsF(m_painter.font(), m_device).lineSpacing() / m_pxPerMm;
}

double PainterCanvas::textWidthMm(const QString &text) const
{
    return QFontMetricsF(m_painter.font(), m_device).horizontalAdvance(text) / m_pxPerMm;
}

void PainterCanvas::drawText(double xMm, double yMm, const QString &text)
{
    if (m_painter.isActive())
        m_painter.drawText(QPointF(xMm * m_pxPerMm, yMm * m_pxPerMm), text);
}

void PainterCanvas::drawFrame(double left, double top, double right, double bottom)
{
    if (!m_painter.isActive())
        return;
    const QPen kept = m_painter.pen();
    QPen red(QColor(255, 0, 0));
    red.setStyle(Qt::DotLine);
    red.setWidthF(0.2 * m_pxPerMm);
    m_painter.setPen(red);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(QRectF(QPointF(left * m_pxPerMm, top * m_pxPerMm), QPointF(right * m_pxPerMm, bottom * m_pxPerMm)));
    m_painter.setPen(kept);
}

void PainterCanvas::newPage()
{
    if (m_painter.isActive())
        m_device->newPage();
}

} // namespace pim
