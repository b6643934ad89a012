#pragma once
// The state codec of a module: the decoded state record, the check and
// decoding of a state reply (DecState), the value texts (SLfromState), the
// display table of the state page (StateView), the error-code tables and
// the imitated state reply.
//
// Every codec keeps its one record for the whole run; a reply that is
// refused leaves it exactly as it was.

#include "devices/DeviceModule.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace pim {

class Imitator;

// One value of the state page: the two grid header rows, the labelled
// field (label, position; top is added to the control panel's height) and
// the tag that says which error table a double click decodes.
struct StateViewItem {
    enum Tag { Value = 0, DeviceError = 1, SystemError = 2 };
    QString row1;
    QString row2;
    QString label;
    int left = 0;
    int top = 0;
    int tag = Value;
};

struct StateView {
    QList<StateViewItem> items;         // display order = SLfromState order
    QList<int> columnOrder;             // grid column -> value index (identity)
    bool errorDecoderOnDoubleClick = true; // every field but those of U128
    static QString errorHint() { return QStringLiteral("Дв.щ.-расшифровать"); }
};

// ---------------------------------------------------------------- records

// One heating system of the two-system family (U28, U29, U34, U38); the
// fields a module does not carry stay 0.
struct StateHalf {
    double heat = 0;       // Gcal
    double volume1 = 0;    // m3
    double volume2 = 0;
    double volume3 = 0;
    double tSupply = 0;    // °C
    double tReturn = 0;
    double tHot = 0;
    double pressure1 = 0;  // bar (U28, U29) or MPa (U34, U38), as sent
    double pressure2 = 0;
    double flow1 = 0;      // m3/h
    double flow2 = 0;
    double flow3 = 0;
    int systemError = 0;
    int deviceError = 0;   // one byte in the reply, the same in both halves
    double mass1 = 0;      // t
    double mass2 = 0;
    double mass3 = 0;
};

struct StateRec2 {
    std::array<StateHalf, 2> sys; // system 1 first
};

struct StateRec25 {
    double heat = 0;
    int tSupply = 0; // hundredths of °C, as sent
    int tReturn = 0;
    int tHot = 0;
    double volume1 = 0;
    double volume2 = 0;
    double volume3 = 0;
    double volumeLowT = 0; // volume at reduced temperature
    double energy1 = 0;    // electric energy, tariff 1
    double energy2 = 0;
    int error = 0;
};

struct StateRec27 {
    double heat = 0;
    int tSupply = 0; // hundredths of °C, as sent
    int tReturn = 0;
    int tHot = 0;
    double volume1 = 0;
    double volume2 = 0;
    double volumeHot = 0;
    double volume3 = 0;
    int error = 0;
};

struct StateRec128 {
    struct Channel {
        qint32 pulses = 0;
        int weightNo = 0;
        int weight = 0;
        double total = 0; // pulses × weight
    };
    int modification = 4; // channels: 1, 2 or 4
    std::array<Channel, 4> ch;
};

// Pulse weight of a weight number: 10^(3 − n) rounded, 0 from n = 4 on.
int weightOf(int weightNo);

// ---------------------------------------------------------------- codec

class StateCodec {
public:
    virtual ~StateCodec() = default;

    virtual ModuleId module() const = 0;
    // Byte 0 of a correct state reply.
    virtual int stateLength() const = 0;
    // Systems held in the record: 2 for the two-system family, else 1.
    virtual int halves() const { return 1; }

    // Checks the reply against the device `id` and, when the error text
    // is empty, fills the record.
    QString DecState(const Tab &reply, const Identity &id) { return decode(reply, id); }

    // The format of real values in the lists (the session's view setting).
    void setValueFormat(const ValueFormat *f) { m_format = f ? f : &defaultValueFormat(); }
    const ValueFormat &valueFormat() const { return *m_format; }

    // Value texts in display order for system 0 or 1 (single-system
    // modules ignore the index).
    virtual QStringList SLfromState(int system = 0) const = 0;

    virtual const StateView &view() const = 0;

    // Whether the labelled field of value `index` is shown for the decoded
    // record: U128 shows only the channels its modification has.
    virtual bool valueShown(int index) const { return index >= 0 && index < view().items.size(); }

    // The error tables: tag 1 device errors, tag 2 system errors. The
    // single-system modules have one table for both; U128 has none.
    virtual const QStringList &errorTexts(int tag) const;

    // The error code of a system that a tag designates (-1 where the
    // module has none), and setting it (the error decoder stores the code
    // of a clicked grid cell).
    virtual int errorCode(int tag, int system = 0) const;
    virtual void setErrorCode(int tag, int system, int code);

    // The imitated state reply to a request (its code: U128 1 and 255;
    // the others 1). Fills `reply` (length and data; the header bytes 1..4
    // and the checksum are the imitation's frame coding) and returns an
    // empty text, or returns the module's text and leaves `reply` alone.
    // The record is not touched.
    virtual bool hasImitation() const { return false; }
    virtual QString ImitState(const Tab &request, Imitator &im, Tab &reply);

protected:
    virtual QString decode(const Tab &reply, const Identity &id) = 0;

    // The check of the two-system family: a fixed text for a wrong format,
    // then the checksum, type and number appends; never reads past the reply.
    static QString moduleCheck(const Tab &reply, int length, const QString &erundec, const Identity &id);

private:
    const ValueFormat *m_format = &defaultValueFormat();
};

// ---------------------------------------------------------------- modules

class StateCodec128 : public StateCodec {
public:
    ModuleId module() const override { return ModuleId::U128; }
    int stateLength() const override;
    QStringList SLfromState(int system = 0) const override;
    const StateView &view() const override;
    bool valueShown(int index) const override;
    const QStringList &errorTexts(int tag) const override;
    bool hasImitation() const override { return true; }
    QString ImitState(const Tab &request, Imitator &im, Tab &reply) override;

    const StateRec128 &rec() const { return m_rec; }
    StateRec128 &rec() { return m_rec; }
    // The decoding itself, for the configuration of type 128 (read with the
    // state command): fills `rec` only when the text is empty.
    static QString decode128(const Tab &reply, const Identity &id, StateRec128 &rec);
    static QStringList list128(const StateRec128 &rec, const ValueFormat &format);

protected:
    QString decode(const Tab &reply, const Identity &id) override;

private:
    StateRec128 m_rec;
};

namespace state {
template <class Rec>
struct SingleField;
}

// U25 and U27: one system and one error byte. One implementation, driven by
// the module's table of values (StateSingle.h) and its error table.
template <class Rec>
class StateCodecSingle : public StateCodec {
public:
    using Fields = QList<state::SingleField<Rec>>;

    QStringList SLfromState(int system = 0) const override;
    const StateView &view() const override;
    const QStringList &errorTexts(int) const override { return *m_errors; }
    int errorCode(int, int = 0) const override { return m_rec.error; }
    void setErrorCode(int, int, int code) override { m_rec.error = code; }
    bool hasImitation() const override { return true; }

    const Rec &rec() const { return m_rec; }

protected:
    StateCodecSingle(const Fields &fields, const QStringList &errors) : m_fields(&fields), m_errors(&errors) {}
    QString decode(const Tab &reply, const Identity &id) override;

private:
    const Fields *m_fields;
    const QStringList *m_errors;
    Rec m_rec;
};

// Instantiated once, beside the module's table.
extern template class StateCodecSingle<StateRec25>;
extern template class StateCodecSingle<StateRec27>;

class StateCodec25 : public StateCodecSingle<StateRec25> {
public:
    StateCodec25();
    ModuleId module() const override { return ModuleId::U25; }
    int stateLength() const override;
    QString ImitState(const Tab &request, Imitator &im, Tab &reply) override;
};

class StateCodec27 : public StateCodecSingle<StateRec27> {
public:
    StateCodec27();
    ModuleId module() const override { return ModuleId::U27; }
    int stateLength() const override;
    QString ImitState(const Tab &request, Imitator &im, Tab &reply) override;
};

// U28, U29, U34 and U38: one implementation, their differences are tables.
class StateCodec2 : public StateCodec {
public:
    // One value: encoding, offsets for system 1 and 2 (equal for the byte
    // both halves share), where it goes in the half, and how it is shown.
    struct Field {
        enum Enc { F32, U8 };
        Enc enc;
        int off1;
        int off2;
        double StateHalf::*real;
        int StateHalf::*integer;
        StateViewItem view;
    };
    struct Layout {
        ModuleId module;
        int length;
        QString erundec;
        QList<Field> fields;
    };
    static const Layout &layout(ModuleId id); // U28, U29, U34, U38

    explicit StateCodec2(ModuleId id);

    ModuleId module() const override { return m_layout->module; }
    int stateLength() const override { return m_layout->length; }
    int halves() const override { return 2; }
    QStringList SLfromState(int system = 0) const override;
    const StateView &view() const override { return m_view; }
    const QStringList &errorTexts(int tag) const override;
    int errorCode(int tag, int system = 0) const override;
    void setErrorCode(int tag, int system, int code) override;
    // Plausible readings of both systems written by the module's layout, so
    // the module's decoder takes them: temperatures, pressures in the
    // module's unit, flows, the volumes and masses of some months of work
    // at those flows, the heat of those volumes, the error bytes.
    bool hasImitation() const override { return true; }
    QString ImitState(const Tab &request, Imitator &im, Tab &reply) override;

    const StateRec2 &rec() const { return m_rec; }

protected:
    QString decode(const Tab &reply, const Identity &id) override;

private:
    const Layout *m_layout;
    StateView m_view;
    StateRec2 m_rec;
};

// The error tables of the modules, entry 0 " НОРМА".
const QStringList &systemErrorTexts2();  // U28, U29, U34, U38
const QStringList &deviceErrorTexts2();  // U28, U29, U34, U38
const QStringList &errorTexts25();       // U25 (Latin C in entry 2)
const QStringList &errorTexts27();       // U27 (Cyrillic С in entry 2)

} // namespace pim
