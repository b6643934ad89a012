#pragma once
// The report canvas on a printer or a PDF: a QPainter on a paged device
// whose origin is the paper's corner (a printer in full-page mode, a PDF
// writer without margins).

#include "reports/ReportCanvas.h"

#include <QPainter>

class QPagedPaintDevice;

namespace pim {

class PainterCanvas : public ReportCanvas {
public:
    // Begins painting on `device`; active() is false when it cannot.
    explicit PainterCanvas(QPagedPaintDevice *device);
    ~PainterCanvas() override;

    bool active() const { return m_painter.isActive(); }
    // Ends the painter: the last page is finished.
    bool finish();

    double pageWidthMm() const override { return m_widthMm; }
    double pageHeightMm() const override { return m_heightMm; }
    void setFont(const ReportFont &font) override;
    double lineHeightMm() const override;
    double textWidthMm(const QString &text) const override;
    void drawText(double xMm, double yMm, const QString &text) override;
    void drawFrame(double left, double top, double right, double bottom) override;
    void newPage() override;

private:
    QPagedPaintDevice *m_device;
    QPainter m_painter;
    double m_pxPerMm = 1;
    double m_widthMm = 210;
    double m_heightMm = 297;
};

} // namespace pim
