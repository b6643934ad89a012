#pragma once
// The type registry: which module serves which type code and the per-type
// constants the callers rely on (heating systems, tab sets, frame lengths,
// record sizes, print folders, archive depth). One explicit list, no
// static registration; a type code without module gives a null answer and
// the caller shows its own text.

#include "devices/DeviceModule.h"
#include "protocol/Imitation.h"

#include <QList>
#include <QString>

namespace pim {

// One tab of the state page; `system` is the record half it shows (0, 1).
struct StateTab {
    QString caption;
    int system = 0;
};

// One tab of the archive page.
struct ArhTab {
    QString caption;
    int kind = 0;       // 0 daily cumulative, 1 daily differential, 2 hourly cumulative, 3 hourly differential
    int system = 1;     // 1 or 2
    QString longName;   // "Архив суточный накопительный" ...
    int imageIndex = 3; // read-archive action: 3 daily, 5 hourly
    QString genitive;   // "суточного" / "часового"
    bool daily() const { return kind < 2; }
    bool differential() const { return kind == 1 || kind == 3; }
    // "чтение суточного архива"
    QString readHint() const { return QStringLiteral("чтение ") + genitive + QStringLiteral(" архива"); }
};

// How the archive of a type is read. The readers of the older types (225,
// 227, 228) and of the 229 family differ only in these facts.
struct ArhReaderInfo {
    enum class Kind { None, R225, R227, R228, R229, R234, R238 };
    Kind kind = Kind::None;
    bool family = false;     // 229, 234, 238: identity request first, date retries
    QString traceFile;       // the trace file written from the start (none: 227, 228)
    bool beginEnd = false;   // Q_ArhBegin / Q_ArhEnd (228 and the family)
    bool live = true;        // refreshes the view while reading (not 227)
    bool sortHourly = false; // 225, 227: hourly records sorted unless all-records
    bool dailyWord = false;  // 234, 238: the daily number is a 16-bit word
    bool arhNoRetries = false; // 225: asks the current numbers up to ten times, exact length arhNoLength
    bool memoTrace = false;  // 225: the trace goes to the memo at the end
    bool byteTrace = false;  // 227, 228: "байты архива" after an all-records read
    int arhNoLength = 0;     // shortest sound reply to Q_ArhNo (the module's)
    // Where the reply of the reader's own type carries its day and hour, and
    // the reply length below which the trace shows "б/д" (the module's).
    int dateOffset = 161;
    int hourOffset = 160;
    int replyLength = 0;
};

struct TypeInfo {
    int type = 0;
    QString modelName;          // display name, unique, usable as a folder name
    ModuleId module = ModuleId::U128;
    int systems = 0;            // heating systems; 0 for the pulse counter 128
    QString printUnit;          // "U30"; empty for 128
    int printFormat = 0;        // "ФОРМАТЫ_30"; 0 for 128
    int printVars = 0;          // length of the print variable list
    int stateLength = 0;        // byte 0 of the replies to commands 1, 5, 3
    int paramLength = 0;        // 0: configuration read with command 1 (128)
    int arhLength = 0;          // 0: no archive
    int arhRecordSize = 0;      // bytes of one ArhRec element, 0 for 128
    int dailyMax = 0;           // highest daily record number (0 for 128)
    int dailyEntries = 0;       // daily plan entries
    int hourlyMax = 0;
    int hourlyEntries = 0;
    int wholeHourlyDays = 0;    // "весь архив" of an hourly kind, in days back (daily: dailyMax)
    bool changeLog = false;     // the change log can be read
    // The first of the four columns of the archive description table that
    // describe this type's records on a portable data carrier; -1: the
    // type leaves no carrier files.
    int carrierGroup = -1;
    // Resetting the operating time and initialising are answered with a
    // status byte, so the reply always differs from the request (not 225).
    bool resetHasStatus = true;
    ArhReaderInfo reader;
    ImitationProfile imitation;
    QList<StateTab> stateTabs;
    QList<ArhTab> arhTabs;      // empty for 128

    bool hasArchive() const { return !arhTabs.isEmpty(); }
    // The archive tab of a kind and heating system (1 or 2); -1 when the
    // type has none (a one-system type has no system 2).
    int arhTabIndex(int kind, int system) const
    {
        for (int t = 0; t < arhTabs.size(); ++t)
            if (arhTabs[t].kind == kind && arhTabs[t].system == system)
                return t;
        return -1;
    }
    bool hasDefaultConfig() const { return module != ModuleId::U128; }
    int configCommand() const { return paramLength > 0 ? 5 : 1; }
};

// What the types of one module share: reply lengths of the state,
// configuration, archive and current-numbers commands, record and ring
// sizes, the reader, what the imitation answers. The registry's rows take
// them from here, and so do the module's codecs and archive layouts: one
// table, no second copy.
struct ModuleFacts {
    ModuleId module;
    int stateLength, paramLength, arhLength, arhNoLength, arhRecordSize;
    int dailyMax, dailyEntries, hourlyMax, hourlyEntries;
    int wholeHourlyDays;
    bool changeLog;
    bool resetHasStatus;
    ArhReaderInfo::Kind reader;
    struct Imitation {
        bool stateGenerator;  // the two-system state generator
        int stateSums;        // sums it writes from offset 80
        bool sizedReplies;    // random archive and configuration replies of the module's lengths
        ImitationProfile::Calibration calibration;
        bool stateOnWrite;    // the configuration write is answered with a state reply
    } imitation;
};
const ModuleFacts &moduleFacts(ModuleId id);

// The registration list of the program, ascending by type code.
const QList<TypeInfo> &typeList();
// An empty text when every type code occurs once, else a text naming the
// first repeated code (the registry's test holds typeList() to it).
QString checkTypeList(const QList<TypeInfo> &list);

// Null when the code has no module.
const TypeInfo *typeInfo(int type);

// The served type codes, ascending.
const QList<int> &ServedTypes();
bool isServedType(int type);
// Display model name of a type code; unserved codes (and codes outside
// 128..239) read "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА".
QString ModelName(int type);
// The served type whose model name is `name`, or -1.
int typeByModelName(const QString &name);
// Byte 0 of a correct reply to code 1, 5 or 3 for a type; 0 where the type
// does not use the command.
int replyLength(int type, int code);

// The 1-tab and the 2-tab state sets, the 4-tab and 8-tab archive sets.
QList<StateTab> stateTabs(int systems);
QList<ArhTab> arhTabs(int systems);

// Hooks the type profiles and the imitated state replies of U128, U25 and
// U27 into an imitator (the program's one by default). Called once at
// start (and by tests).
void registerImitationGenerators(Imitator &im);
void registerImitationGenerators();

} // namespace pim
