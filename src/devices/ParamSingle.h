#pragma once
// The configuration codecs of the single-system modules U25 and U27, and of
// the pulse counter U128 (whose configuration is part of its state reply
// and is written with its own fixed 8-byte request).

#include "devices/ParamCodec.h"
#include "devices/ParamRec.h"

namespace pim {

class ParamCodec25 final : public ParamCodec {
public:
    ParamCodec25();
    ModuleId module() const override { return ModuleId::U25; }
    int recordSystems() const override { return 1; }
    QString DecParam(const Tab &reply, const Identity &id) override;
    using ParamCodec::DecParam;
    QStringList SLfromParam(int system) const override;
    // The three flowmeter weights are litres per pulse, as on the page.
    QString listUnit(int, int index) const override { return index >= 0 && index < 3 ? QStringLiteral(" л/имп") : QString(); }
    QList<QStringList> gridHeader() const override;
    QList<int> gridColumns() const override;
    void loadDefaults() override;
    void ShowParam(int type) override;
    bool CheckParam(ParamStatus &status) override;
    QString encode(Tab &data, QString &diff) const override;
    ListField listField(int system, int index) override;

    static ParamRec25 defaults();
    const ParamRec25 &rec() const { return m_rec; }
    ParamRec25 &rec() { return m_rec; }

private:
    ParamRec25 m_rec;
};

class ParamCodec27 final : public ParamCodec {
public:
    ParamCodec27();
    ModuleId module() const override { return ModuleId::U27; }
    int recordSystems() const override { return 1; }
    QString DecParam(const Tab &reply, const Identity &id) override;
    using ParamCodec::DecParam;
    QStringList SLfromParam(int system) const override;
    // The four flowmeter weights are litres per pulse, as on the page.
    QString listUnit(int, int index) const override { return index >= 0 && index < 4 ? QStringLiteral(" л/имп") : QString(); }
    QList<QStringList> gridHeader() const override;
    QList<int> gridColumns() const override;
    void loadDefaults() override;
    void ShowParam(int type) override;
    bool CheckParam(ParamStatus &status) override;
    QString encode(Tab &data, QString &diff) const override;
    ListField listField(int system, int index) override;

    static ParamRec27 defaults();
    const ParamRec27 &rec() const { return m_rec; }
    ParamRec27 &rec() { return m_rec; }

private:
    void updateEnabling();
    ParamRec27 m_rec;
};

class ParamCodec128 final : public ParamCodec {
public:
    ParamCodec128();
    ModuleId module() const override { return ModuleId::U128; }
    int recordSystems() const override { return 1; }
    // The state reply (31 bytes, command 1).
    QString DecParam(const Tab &reply, const Identity &id) override;
    using ParamCodec::DecParam;
    QStringList SLfromParam(int system) const override;
    QList<QStringList> gridHeader() const override;
    QList<int> gridColumns() const override;
    void loadDefaults() override;
    void ShowParam(int type) override;
    bool CheckParam(ParamStatus &status) override;
    // Bytes 5 and 6 of the fixed write request: modification, packed
    // weight numbers.
    QString encode(Tab &data, QString &diff) const override;
    ListField listField(int system, int index) override;
    // SQ128 with code 255.
    QString writeRequest(const Identity &id, Tab &request) const override;
    // At least 28 bytes, bytes 23..26 the weight numbers, byte 27 the
    // modification.
    bool writeAccepted(const Tab &reply) const override;

    const ParamRec128 &rec() const { return m_rec; }
    ParamRec128 &rec() { return m_rec; }

private:
    void updateVisibility();
    ParamRec128 m_rec;
};

} // namespace pim
