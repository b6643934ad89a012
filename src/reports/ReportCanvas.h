#pragma once
// What the report layout asks of a page: its size, fonts and their line
// height and text width, text at a position, the margin frame and a new
// page. All positions are millimetres from the page's top-left corner; a
// text's position is its base line.

#include "reports/PrintForms.h"

#include <QList>
#include <QString>

namespace pim {

class ReportCanvas {
public:
    virtual ~ReportCanvas() = default;
    virtual double pageWidthMm() const = 0;
    virtual double pageHeightMm() const = 0;
    virtual void setFont(const ReportFont &font) = 0;
    virtual double lineHeightMm() const = 0;
    virtual double textWidthMm(const QString &text) const = 0;
    virtual void drawText(double xMm, double yMm, const QString &text) = 0;
    // The margin frame: a red dotted rectangle.
    virtual void drawFrame(double left, double top, double right, double bottom) = 0;
    virtual void newPage() = 0;
};

// Keeps every drawn text and frame per page. Without a canvas to measure
// with it uses a fixed model of fonts (a line 0.5 mm per point of the size,
// a character 0.2 mm per point wide: positions stay exact binary numbers)
// so that its layouts are the same on every machine; with one it draws
// there too and takes its measures.
class RecordingCanvas : public ReportCanvas {
public:
    struct Item {
        double x = 0;
        double y = 0;
        QString text;
        double width = 0; // measured when drawn
    };
    struct Frame {
        double left = 0, top = 0, right = 0, bottom = 0;
    };
    struct Page {
        QList<Item> items;
        QList<Frame> frames;
    };

    explicit RecordingCanvas(ReportCanvas *target = nullptr, double widthMm = 210, double heightMm = 297);

    double pageWidthMm() const override;
    double pageHeightMm() const override;
    void setFont(const ReportFont &font) override;
    double lineHeightMm() const override;
    double textWidthMm(const QString &text) const override;
    void drawText(double xMm, double yMm, const QString &text) override;
    void drawFrame(double left, double top, double right, double bottom) override;
    void newPage() override;

    const QList<Page> &pages() const { return m_pages; }
    // Every text of every page, in drawing order.
    QStringList texts() const;

private:
    ReportCanvas *m_target;
    double m_width;
    double m_height;
    ReportFont m_font;
    QList<Page> m_pages{Page{}};
};

} // namespace pim
