#pragma once
// The layout of an archive report on a canvas: the header filled from the
// empty record, the column header (again after every page break), one row
// per record in the type's order, the totals block of a differential
// archive and the footer, inside the page margins with their optional
// frame and the line interval.

#include "devices/ArhCodec.h"
#include "reports/PrintForms.h"
#include "reports/ReportCanvas.h"

#include <QList>
#include <QString>

#include <functional>

namespace pim {

class VarFiller;

struct PageSettings {
    double left = 15;
    double top = 5;
    double right = 5;
    double bottom = 5;
    double interval = 0; // extra millimetres after every column line
    bool frame = true;   // the margin frame is drawn (and printed)
};

// A column-stop line: "0>  15>  28>" gives 0, 15, 28. An item that is no
// number counts as 0; 255 and more mean the right edge (194 − the right
// margin); every stop is kept within 0..254.
QList<int> parseTabs(const QString &line, double rightMargin);

struct ReportData {
    const ArhCodec *codec = nullptr;
    // Null for a type without a print module: the header unfilled and the
    // column header, nothing else.
    const VarFiller *filler = nullptr;
    QList<ArhRec> table;  // the archive table in view, in its own order
    int half = 0;         // the record half of the tab's system
    int kind = 0;         // archive kind of the tab
    bool reverse = false; // rows from the last entry to the first
};

class ReportLayout {
public:
    ReportLayout(ReportCanvas &canvas, const PageSettings &page);

    // Draws one report. The row template and the column stops start empty.
    void render(const ReportSection &header, const ReportSection &data, const ReportSection &footer,
                const ReportData &d);

    int pages() const { return m_pages; }

private:
    void newLine();
    void gotoXY(double x, double y);
    void printText(const QString &text);
    void printLine(const QString &text);
    void setFont(const ReportFont &f);
    void drawMargins();
    void newReportPage();
    bool pageFull() const { return m_y > m_bottomEdge; }
    void printHeadMemo(const QStringList &lines, const ReportFont &font);
    void printDataHead(const QStringList &data);
    void printTabLine(const QString &line);
    QString fill(const ReportData &d, const QString &line, const ArhRec &rec) const;

    ReportCanvas &m_c;
    PageSettings m_page;
    double m_rightEdge = 0;
    double m_bottomEdge = 0;
    double m_x = 0;
    double m_y = 0;
    ReportFont m_font;
    ReportFont m_slot1;
    QString m_rowTemplate;
    QList<int> m_stops;
    int m_pages = 1;
};

} // namespace pim
