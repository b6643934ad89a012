#include "workflows/ArchivePlot.h"

#include "base/Dates.h"
#include "base/TextFile.h"
#include "devices/ArhCodec.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace pim::ArchivePlot {

namespace {

struct FieldLine {
    ArhField field;
    const char *name;
    QColor colour;
};

// One colour per series, told apart also by those who confuse red and green:
// the pairs that share a panel differ in lightness as well as hue.
const QColor kHeat(200, 60, 20);
const QColor kBlue(30, 90, 200);
const QColor kGreen(40, 150, 60);
const QColor kViolet(140, 60, 170);
const QColor kRed(210, 30, 30);
const QColor kCyan(0, 150, 170);
const QColor kOrange(230, 140, 0);

struct PanelDef {
    const char *title;
    QList<FieldLine> lines;
};

QList<PanelDef> panelsFor(const ArhCodec &codec)
{
    // The single-system pair calls its third temperature by what it is,
    // as their grid does.
    const bool hotWater = codec.module() == ModuleId::U25 || codec.module() == ModuleId::U27;
    // In a difference view the counters hold what was used in each period,
    // so the same fields serve both views.
    return {
        {"тепло, Гкал", {{ArhField::Heat, "тепло", kHeat}}},
        {"объемы, м3",
         {{ArhField::Vol1, "объем 1-й", kBlue}, {ArhField::Vol2, "объем 2-й", kGreen},
          {ArhField::VolHot, "объем ГВС", kOrange}, {ArhField::Vol3, "объем 3-й", kViolet}}},
        {"температуры, °C",
         {{ArhField::TSupply, "подача", kRed}, {ArhField::TReturn, "обратка", kCyan},
          {ArhField::TAdd, hotWater ? "ГВС" : "доп.", kOrange}}},
    };
}

const QString kNoData = QStringLiteral("нет данных");

// Round scale steps: 1, 2 or 5 times a power of ten.
double niceStep(double span, int ticks)
{
    if (!(span > 0) || !std::isfinite(span))
        return 1;
    const double raw = span / qMax(1, ticks);
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * p)
            return m * p;
    return 10 * p;
}

QString number(double v, double step)
{
    const int decimals = step >= 1 ? 0 : qMin(6, int(std::ceil(-std::log10(step))));
    return QString::number(v, 'f', decimals);
}

QString xLabel(qint64 hours, bool hourly)
{
    const QDate d = dayNumberToDate(int(hours / 24));
    if (!hourly)
        return d.toString(QStringLiteral("dd.MM.yy"));
    return d.toString(QStringLiteral("dd.MM")) + QStringLiteral(" %1:00").arg(hours % 24, 2, 10, QLatin1Char('0'));
}

} // namespace

namespace {

// The plot of the first `count` elements of the displayed archive.
PlotData build(const ArhCodec &codec, qsizetype count, bool hourly, int sys, const QString &title)
{
    PlotData d;
    d.title = title;
    d.hourly = hourly;
    const QList<ArhRec> &shown = codec.displayed();
    const int s = qBound(0, sys, codec.halves() - 1);

    // Oldest first on the time axis. A totals record and a record the
    // device would not give have no day of their own.
    struct Point {
        qint64 x;
        qsizetype i;
    };
    QList<Point> points;
    for (qsizetype i = 0; i < count; ++i) {
        const int day = codec.day(shown[i], s);
        if (day == kArhNoDay || day < 0)
            continue;
        const qint64 x = qint64(day) * 24 + (d.hourly ? codec.hour(shown[i], s) : 0);
        points.append({x, i});
    }
    std::stable_sort(points.begin(), points.end(), [](const Point &a, const Point &b) { return a.x < b.x; });
    const qint64 period = d.hourly ? 1 : 24;
    for (qsizetype k = 0; k < points.size(); ++k) {
        d.x.append(points[k].x);
        // A period without its record, or a difference spanning several.
        d.breakBefore.append(k > 0
                             && (points[k].x - points[k - 1].x != period || codec.displayedGap(points[k].i)));
    }

    for (const PanelDef &def : panelsFor(codec)) {
        PlotPanel panel;
        panel.title = QString::fromUtf8(def.title);
        for (const FieldLine &f : def.lines) {
            if (!codec.hasField(f.field))
                continue;
            PlotSeries series;
            series.name = QString::fromUtf8(f.name);
            series.colour = f.colour;
            series.field = f.field;
            bool any = false;
            for (const Point &pt : points) {
                const double v = shownValue(codec, shown[pt.i], s, f.field);
                series.values.append(std::isfinite(v) ? v : std::numeric_limits<double>::quiet_NaN());
                any = any || (std::isfinite(v) && v != 0);
            }
            // A channel the device does not use (all zero) only hides the others.
            if (any)
                panel.series.append(series);
        }
        if (!panel.series.isEmpty())
            d.panels.append(panel);
    }
    return d;
}

} // namespace

double shownValue(const ArhCodec &codec, const ArhRec &r, int sys, ArhField f)
{
    const double v = codec.value(r, sys, f);
    const bool temperature = f == ArhField::TSupply || f == ArhField::TReturn || f == ArhField::TAdd;
    // Kept as an integer, a temperature counts hundredths of a degree.
    return temperature && !codec.isRealField(f) ? v / 100 : v;
}

PlotData fromDisplayed(const ArhCodec &codec, int kind, int sys, const QString &title)
{
    qsizetype count = codec.displayed().size();
    if (arhKindIsDiff(kind) && count > 0)
        --count; // the totals element
    return build(codec, count, !arhKindIsDaily(kind), sys, title);
}

PlotData fromLoaded(const ArhCodec &codec, const QString &title)
{
    const QList<ArhRec> &shown = codec.displayed();
    bool hourly = false;
    QSet<int> days;
    for (const ArhRec &r : shown) {
        const int day = codec.day(r, 0);
        if (day == kArhNoDay || day < 0)
            continue;
        if (codec.hour(r, 0) != 0 || days.contains(day))
            hourly = true;
        days.insert(day);
    }
    return build(codec, shown.size(), hourly, 0, title);
}

void draw(QPainter &p, const QRect &area, const PlotData &data)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(area, Qt::white);
    QFont font = p.font();
    font.setPixelSize(qBound(10, area.height() / 50, 14));
    p.setFont(font);
    const QFontMetrics fm(font);
    const int line = fm.height();

    QRect inner = area.adjusted(8, 6, -8, -6);
    p.setPen(Qt::black);
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRect(inner.left(), inner.top(), inner.width(), line), Qt::AlignHCenter | Qt::AlignVCenter, data.title);
    p.setFont(font);
    inner.setTop(inner.top() + line + 6);

    if (data.empty() || data.panels.isEmpty()) {
        p.setPen(Qt::darkGray);
        p.drawText(inner, Qt::AlignCenter, kNoData);
        p.restore();
        return;
    }

    const int left = inner.left() + fm.horizontalAdvance(QStringLiteral("0000000.00")) + 8;
    const int right = inner.right() - 8;
    const int axisHeight = 2 * line + 6; // time labels, then the axis caption
    const int panelsTop = inner.top();
    const int panelsBottom = inner.bottom() - axisHeight;
    const int n = int(data.panels.size());
    const int gap = line + 4;

    // Each panel's title line carries its legend; where they do not fit side
    // by side (a narrow widget) the legend wraps onto lines of its own under
    // the title, so that no name is written over another.
    const int swatch = 32; // the colour sample and the spaces around it
    QList<QList<QList<int>>> legendLines; // per panel: lines of series indexes
    int headerLines = 0;
    for (const PlotPanel &panel : data.panels) {
        // The first line is what the title leaves; the next ones may reach
        // under the scale. A name wider than a whole line still gets one.
        QList<QList<int>> lines{{}};
        int room = right - left - fm.horizontalAdvance(panel.title) - 12;
        for (int i = 0; i < panel.series.size(); ++i) {
            const int w = swatch + fm.horizontalAdvance(panel.series[i].name);
            if (w > room && (lines.size() == 1 || !lines.last().isEmpty())) {
                lines.append(QList<int>());
                room = right - inner.left();
            }
            lines.last().append(i);
            room -= w;
        }
        headerLines += int(lines.size());
        legendLines.append(lines);
    }
    const int boxesHeight = panelsBottom - panelsTop - (n - 1) * gap - headerLines * line;
    const int boxHeight = qMax(12, boxesHeight / n);

    const qint64 x0 = data.x.first(), x1 = data.x.last();
    const double xSpan = qMax<qint64>(1, x1 - x0);
    auto xPos = [&](qint64 x) {
        return data.x.size() == 1 ? (left + right) / 2.0 : left + (right - left) * double(x - x0) / xSpan;
    };

    // Time ticks: about one per 90 px, on whole days or hours.
    const int wanted = qMax(2, (right - left) / 90);
    const qint64 unit = data.hourly ? 1 : 24;
    qint64 step = qMax<qint64>(unit, qint64(std::ceil(double(x1 - x0) / wanted / unit)) * unit);
    if (data.hourly && step > 24)
        step = ((step + 23) / 24) * 24;

    int top = panelsTop;
    for (int k = 0; k < n; ++k) {
        const PlotPanel &panel = data.panels[k];
        const int header = int(legendLines[k].size()) * line;
        const QRect box(left, top + header, right - left, boxHeight);
        p.setPen(Qt::black);
        p.drawText(QRect(left, top, right - left, line), Qt::AlignLeft | Qt::AlignVCenter, panel.title);

        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const PlotSeries &s : panel.series)
            for (double v : s.values)
                if (std::isfinite(v)) {
                    lo = qMin(lo, v);
                    hi = qMax(hi, v);
                }
        if (!std::isfinite(lo)) {
            lo = 0;
            hi = 1;
        }
        if (hi - lo < 1e-9) {
            const double pad = qMax(1.0, std::fabs(hi) * 0.05);
            lo -= pad;
            hi += pad;
        }
        const double ystep = niceStep(hi - lo, qMax(2, box.height() / (2 * line)));
        const double ylo = std::floor(lo / ystep) * ystep, yhi = std::ceil(hi / ystep) * ystep;
        auto yPos = [&](double v) { return box.bottom() - (box.height()) * (v - ylo) / (yhi - ylo); };

        // Grid and scale.
        p.setPen(QPen(QColor(225, 225, 225), 1));
        for (double v = ylo; v <= yhi + ystep / 2; v += ystep)
            p.drawLine(QPointF(box.left(), yPos(v)), QPointF(box.right(), yPos(v)));
        for (qint64 x = x0; x <= x1; x += step)
            p.drawLine(QPointF(xPos(x), box.top()), QPointF(xPos(x), box.bottom()));
        p.setPen(Qt::black);
        for (double v = ylo; v <= yhi + ystep / 2; v += ystep) {
            const QString t = number(v, ystep);
            p.drawText(QRectF(inner.left(), yPos(v) - line / 2.0, left - inner.left() - 6, line),
                       Qt::AlignRight | Qt::AlignVCenter, t);
        }
        p.drawRect(box);

        // The lines: one path per run of points without a break.
        for (const PlotSeries &s : panel.series) {
            p.setPen(QPen(s.colour, 2));
            QPainterPath path;
            bool open = false;
            for (qsizetype i = 0; i < s.values.size(); ++i) {
                const double v = s.values[i];
                if (!std::isfinite(v) || data.breakBefore.value(i)) {
                    open = false;
                    if (!std::isfinite(v))
                        continue;
                }
                const QPointF pt(xPos(data.x[i]), yPos(v));
                if (open)
                    path.lineTo(pt);
                else
                    path.moveTo(pt);
                open = true;
                if (s.values.size() <= 62) {
                    // Few points: each record is marked.
                    path.addEllipse(pt, 1.5, 1.5);
                    path.moveTo(pt);
                }
            }
            p.drawPath(path);
        }

        // The legend, right-aligned on its lines: it never hides a curve.
        for (int l = 0; l < legendLines[k].size(); ++l) {
            const QList<int> &items = legendLines[k][l];
            const int y = top + l * line;
            int lx = box.right();
            for (qsizetype j = items.size() - 1; j >= 0; --j) {
                const PlotSeries &s = panel.series[items[j]];
                const int w = fm.horizontalAdvance(s.name);
                lx -= w;
                p.setPen(Qt::black);
                p.drawText(QRect(lx, y, w, line), Qt::AlignLeft | Qt::AlignVCenter, s.name);
                lx -= 20;
                p.setPen(QPen(s.colour, 3));
                p.drawLine(lx, y + line / 2, lx + 14, y + line / 2);
                lx -= 12;
            }
        }
        top += header + boxHeight + gap;
    }

    // The time axis under the last panel.
    p.setPen(Qt::black);
    const int axisTop = panelsBottom + 4;
    int lastRight = std::numeric_limits<int>::min();
    for (qint64 x = x0; x <= x1; x += step) {
        const QString t = xLabel(x, data.hourly);
        const int w = fm.horizontalAdvance(t);
        // Centred under its tick, but kept inside the picture: the last
        // date is the one read most often.
        const int lx = qMin(int(xPos(x)) - w / 2, area.right() - 2 - w);
        if (lx <= lastRight + 6)
            continue;
        p.drawText(QRect(lx, axisTop, w, line), Qt::AlignCenter, t);
        lastRight = lx + w;
    }
    p.drawText(QRect(left, axisTop + line + 2, right - left, line), Qt::AlignHCenter | Qt::AlignVCenter,
               data.hourly ? QStringLiteral("дата и час") : QStringLiteral("дата"));
    p.restore();
}

bool savePng(const PlotData &data, const QString &path, QSize size, QString *error)
{
    QImage image(size.expandedTo(QSize(200, 150)), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        draw(p, image.rect(), data);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        if (error)
            *error = QStringLiteral("не удалось построить картинку графика");
        return false;
    }
    return writeFileAtomic(path, png, error);
}

} // namespace pim::ArchivePlot
