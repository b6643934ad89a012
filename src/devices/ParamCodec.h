#pragma once
// The configuration codec of a module: the decoded configuration (ParamRec),
// reply decoding, value lists and grid tables, the default configuration,
// the configuration page as a form model (ShowParam / CheckParam), the
// sharing of device-wide fields between two systems, and the write frame.
//
// Page protocol: the window mirrors form() into widgets. After any edit of a
// control it writes the new value into the form and calls CheckParam, which
// reads the form into the selected system's half, validates it (reporting
// through a ParamStatus), stores the half and shares the device-wide fields
// with the other system. Choosing the other system in "конфигурация"
// (setIndex on kSystemChoice) is followed by ShowParam, which rebuilds the
// form from that system's half.

#include "devices/DeviceModule.h"
#include "devices/ParamForm.h"
#include "devices/ParamStatus.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <memory>

namespace pim {

// Object names of the page's controls (labels are "L" + name).
namespace paramname {
inline const QString kType = QStringLiteral("cbType");
inline QString weight(int i) { return QStringLiteral("eVes%1").arg(i); } // 1-based
inline const QString kReportDay = QStringLiteral("eRepDay");
inline const QString kMinFlow = QStringLiteral("eMin");
inline const QString kMaxFlow = QStringLiteral("eMax");
inline const QString kColdTemp1 = QStringLiteral("eTx1");
inline const QString kColdTemp2 = QStringLiteral("eTx2");
inline const QString kSum = QStringLiteral("chSum");
inline const QString kUseSecond = QStringLiteral("chUse2");
inline const QString kStart = QStringLiteral("dtStart");
inline const QString kEnd = QStringLiteral("dtEnd");
inline QString contract(int i) { return QStringLiteral("eDog%1").arg(i); }    // 1..6: Tп, Tо, Tх, Pп, Pо, Pх
inline QString useContract(int i) { return QStringLiteral("chDog%1").arg(i); }
// single-system modules
inline const QString kColdTemp = QStringLiteral("eTx");
inline const QString kTwoTariffs = QStringLiteral("chTar2");
inline QString tariff(int i) { return QStringLiteral("eTar%1").arg(i); } // 1, 2
inline const QString kElectric = QStringLiteral("eVesE");
inline const QString kUseLimit = QStringLiteral("chLim");
inline const QString kLimit = QStringLiteral("eLim");
// pulse counter
inline const QString kModification = QStringLiteral("cbMod");
inline QString channel(int i) { return QStringLiteral("eW%1").arg(i); } // 1..4
} // namespace paramname

class ParamCodec {
public:
    // Object name of the "конфигурация" choice (items "1-я Система", "2-я Система").
    static inline const QString kSystemChoice = QStringLiteral("cbConfSys");

    virtual ~ParamCodec() = default;

    virtual ModuleId module() const = 0;
    // Halves in the record: 2 for the two-system modules, else 1.
    virtual int recordSystems() const = 0;

    // Reply decoding (command 5; command 1 for U128, whose state reply
    // carries its configuration). Error text, empty when accepted; a
    // rejected reply leaves the record as it was.
    virtual QString DecParam(const Tab &reply, const Identity &id) = 0;

    // The format of real values in the lists (the session's view setting).
    void setValueFormat(const ValueFormat *f) { m_format = f ? f : &defaultValueFormat(); }
    const ValueFormat &valueFormat() const { return *m_format; }

    // Value texts of one system (index 0/1; single-system modules ignore it).
    virtual QStringList SLfromParam(int system) const = 0;
    // The two header rows of the configuration grid and, per grid column,
    // the index of its value in SLfromParam.
    virtual QList<QStringList> gridHeader() const = 0;
    virtual QList<int> gridColumns() const = 0;

    // Stores one value of SLfromParam(system), given as the list prints it
    // (the inverse of the list), so that a scripted edit names a value the
    // way the configuration listing shows it; the page's own check runs on
    // it afterwards. Error text, empty when stored.
    // A weight may end in its unit (" л/имп", " имп/л"), which then sets
    // the unit as a click on the page's label does.
    QString setListValue(int system, int index, const QString &text);
    // The unit of list value `index` ("" when the list's header says it or
    // there is none): the pulse weights' " л/имп" or " имп/л".
    virtual QString listUnit(int system, int index) const { Q_UNUSED(system); Q_UNUSED(index); return {}; }

    // "Конфигурация по умолчанию": the default half into every system.
    virtual void loadDefaults() = 0;
    // True once the record holds a read, default-loaded or edited configuration.
    bool isSet() const { return m_set; }

    // Builds or refreshes the form for the device type `type` (a
    // single-system type hides the system choice and edits system 1) and
    // the system selected in the choice.
    virtual void ShowParam(int type) = 0;
    // Reads the form into the selected half, validates, stores and shares.
    // False when a value was refused (the red status); the value still
    // stays in the record so the operator can correct it, but the write
    // refuses until a check passes.
    virtual bool CheckParam(ParamStatus &status) = 0;
    // Copies the device-wide fields of `system` into the other system.
    virtual void CopySysParam(int system) { Q_UNUSED(system); }

    // The pulse-weight unit switch bound to the weight labels (tag 1..3).
    // Returns a text to show in a message box (types whose weights have no
    // unit bit answer with the label's object name), else empty.
    virtual QString VesChange(int tag, ParamStatus &status) { Q_UNUSED(tag); Q_UNUSED(status); return {}; }

    // Data bytes of the write frame (command 4): data[k - 5] is frame byte
    // k. `diff` lists the device-wide fields in which system 2 differs from
    // system 1 (two-system modules; the write is refused when it is not
    // empty). Returns an error text, empty when the bytes may be sent: a
    // value that does not fit its field ("выход за диапазон: ..."), the
    // red text of the last check while that check has not passed since, or
    // (two-system modules) a refused value still kept in the other system.
    QString EncParam(Tab &data, QString &diff) const;
    // The whole write request for the device `id`: a refusal text ("Не
    // совпадает:" + diff, a range error, the text of the last failed
    // check) leaves `request` empty.
    virtual QString writeRequest(const Identity &id, Tab &request) const;
    // Whether the reply to the write shows the configuration was taken
    // (type 128 compares its echo; the other types report by status byte,
    // which the caller reads).
    virtual bool writeAccepted(const Tab &reply) const { Q_UNUSED(reply); return true; }

    ParamForm &form() { return m_form; }
    const ParamForm &form() const { return m_form; }
    // The system chosen in "конфигурация" (0 or 1).
    int selectedSystem() const;
    // The system whose half the form was built from: the one a check
    // writes, even if the choice moved without a rebuild.
    int formSystem() const { return m_formSystem; }

    bool lastCheckFailed() const { return m_checkFailed; }
    QString lastCheckText() const { return m_checkText; }

    // The date the current-year rule of the date fields reads.
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }
    QDate today() const { return m_today ? m_today() : QDate::currentDate(); }

protected:
    // The bytes and the difference list; an error text for values that do
    // not fit their fields.
    virtual QString encode(Tab &data, QString &diff) const = 0;

    // The record's field behind list value `index` of `system`: a real or
    // an integer (which takes no fraction); both null when there is none.
    struct ListField {
        ListField() = default;
        ListField(double *r, int *i, std::function<std::optional<double>(double, const QString &)> f = {})
            : real(r), integer(i), fromList(std::move(f))
        {
        }
        double *real = nullptr;
        int *integer = nullptr;
        // The stored value of a real that the list shows in another unit
        // (the unit text given after the number, else empty); nullopt when
        // it cannot be stored. None: the number is stored as it is.
        std::function<std::optional<double>(double, const QString &)> fromList;
    };
    virtual ListField listField(int system, int index) = 0;

    void markSet() { m_set = true; }
    void reportOk(ParamStatus &status, const QString &text);
    void reportFail(ParamStatus &status, const QString &text);
    void resetCheck() { m_checkFailed = false; m_checkText.clear(); }

    ParamForm m_form;
    bool m_singleSystem = false;
    int m_formSystem = 0;

private:
    bool m_set = false;
    bool m_checkFailed = false;
    QString m_checkText;
    std::function<QDate()> m_today;
    const ValueFormat *m_format = &defaultValueFormat();
};

} // namespace pim
