#pragma once
// The table that describes one module's archive: record layout, reply
// layout, depth, grid cells and headers, column maps and the rules of the
// differential view. The codec code is the same for every module; what
// differs lives in these tables (ArhU25.cpp, ArhU27.cpp, ArhTwoSystem.cpp).

#include "devices/ArhCodec.h"
#include "devices/Registry.h"

#include <QList>
#include <QStringList>

#include <array>
#include <vector>

namespace pim {

// Where a field sits in a record half and whether it is an f64 (else i32).
struct ArhSlot {
    int offset = -1;
    bool real = false;
};

enum class ArhWireKind { U8, U16, F32 };

// One value of the reply: its kind and its offset for system 1 and for
// system 2 (kArhWireShared: system 2 gets the same value; kArhWireNone:
// system 2 gets nothing).
inline constexpr int kArhWireShared = -2;
inline constexpr int kArhWireNone = -1;
struct ArhWire {
    ArhField field;
    ArhWireKind kind;
    int sys1;
    int sys2 = kArhWireNone;
};

enum class ArhCellKind {
    Date,    // "dd mmmm yyyyг." of the day number
    Int,     // "%d"
    Real,    // the display real format
    Temp100, // hundredths of a degree, shown as a real in degrees
    HhMm,    // minutes as "%.2d:%.2d" (totals: days, hours, minutes)
};

struct ArhCell {
    ArhField field;
    ArhCellKind kind;
};

struct ArhLayout {
    ModuleId id = ModuleId::U25;
    int halves = 1;
    int halfSize = 0;
    int replyLength = 0;
    int dailyMax = 0;  // highest record number of the daily archive
    int hourlyMax = 0; // ... of the hourly archive
    std::array<ArhSlot, kArhFieldCount> fieldSlots{};
    std::vector<ArhWire> wire;
    std::vector<ArhCell> cells; // cell k (1-based) is cells[k - 1]
    QStringList head1;
    QStringList head2;
    QList<int> dailyMap;
    QList<int> hourlyMap;
    // Differential view: these fields become newer minus older.
    std::vector<ArhField> diffFields;
    // Totals record: fields summed, ORed, and averaged over the summed records.
    std::vector<ArhField> sumFields;
    std::vector<ArhField> orFields;
    std::vector<ArhField> meanFields;
    // Temperature k is weighted by volume k in the totals.
    std::array<ArhField, 3> temps{ArhField::TSupply, ArhField::TReturn, ArhField::TAdd};
    std::array<ArhField, 3> tempVolumes{ArhField::Vol1, ArhField::Vol2, ArhField::Vol3};
    // Only temperatures strictly between 0 and 150 enter the totals (on both
    // sides of the quotient) and the averages.
    bool tempsFiltered = false;
    bool averages = false;

    void set(ArhField f, int offset, bool real) { fieldSlots[size_t(f)] = ArhSlot{offset, real}; }
    // The record, reply and ring sizes of module `id` (with `halves` halves)
    // as the type registry holds them.
    void takeSizes(ModuleId module, int halfCount)
    {
        const ModuleFacts &m = moduleFacts(module);
        id = module;
        halves = halfCount;
        halfSize = m.arhRecordSize / halfCount;
        replyLength = m.arhLength;
        dailyMax = m.dailyMax;
        hourlyMax = m.hourlyMax;
    }
};

// The totals temperature of U25 and U27: hundredths of a degree, rounded;
// 0 without volume or when beyond the 30-bit range.
double arhHundredthsTemperature(double weighted, double volume);

} // namespace pim
