#pragma once
// "график": the archive view of a tab drawn as lines against date or hour.
// The data come from the records the view shows (the same range and tab as
// the grid), not from the grid's texts; the drawing goes onto any painter,
// so the window's widget, a PNG and pimctl share it.
//
// Heat, volumes and temperatures differ by orders of magnitude (a heat
// counter of thousands of Gcal beside volumes of hundreds of thousands of
// m³ and temperatures of 40..130 °C), so each quantity gets a panel of its
// own with its own scale, one above the other over one time axis: a
// service engineer reads each curve at its own resolution and still sees
// at a glance which hour or day they share.

#include "devices/ArhCodec.h"

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

class QPainter;
class QRect;

namespace pim {


struct PlotSeries {
    QString name;              // "подача", "объем 1-й" ...
    QColor colour;
    ArhField field = ArhField::Heat; // the record field it draws
    // One value per point of the plot's x list; NaN where the record has
    // none. A break (missing records between two points) starts a new line.
    QList<double> values;
};

struct PlotPanel {
    QString title;             // "тепло, Гкал", "объемы, м3", "температуры, °C"
    QList<PlotSeries> series;
};

struct PlotData {
    QString title;             // the tab's caption and the device
    bool hourly = false;
    // Hours since day 0 of the records shown, ascending.
    QList<qint64> x;
    // Before point i the line breaks (records between are missing, or a
    // difference covers more than one period).
    QList<bool> breakBefore;
    QList<PlotPanel> panels;
    bool empty() const { return x.isEmpty(); }
};

namespace ArchivePlot {

// The plot of the displayed archive of `codec` (what the last view built
// for the tab): kind 0..3 and the record half `sys` (0 or 1); the totals
// element of a difference view is left out.
PlotData fromDisplayed(const ArhCodec &codec, int kind, int sys, const QString &title);

// The plot of an archive file just loaded into the displayed archive (each
// record in the first half). A file does not say its kind: it is hourly
// when its records carry hours or share a day, and its totals record (a
// negative day) is no point.
PlotData fromLoaded(const ArhCodec &codec, const QString &title);

// A value of a record as the grid shows it: the temperatures that a record
// keeps in hundredths of a degree (U25, U27) in degrees, the rest as kept.
double shownValue(const ArhCodec &codec, const ArhRec &r, int sys, ArhField f);

// Draws the plot into `area`: title, panels with their scales, a time axis
// with dates (and hours), a legend per panel. An empty plot says "нет
// данных".
void draw(QPainter &p, const QRect &area, const PlotData &data);

// The plot as a PNG of `size` pixels, written whole or not at all; false
// with `error` when the file cannot be written (the old file stays).
bool savePng(const PlotData &data, const QString &path, QSize size, QString *error = nullptr);

} // namespace ArchivePlot

} // namespace pim
