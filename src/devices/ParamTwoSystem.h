#pragma once
// The configuration codec of the two-system modules U28, U29, U34 and U38:
// one implementation, parameterised by a small layout table (frame length,
// where the report-day bytes sit, whether the contractual block and the
// weight unit bit exist, how strict the page check is).

#include "devices/ParamCodec.h"
#include "devices/ParamRec.h"

namespace pim {

class ParamCodecTwo final : public ParamCodec {
public:
    struct Layout {
        ModuleId id;
        int reportAt;     // report day; sum flag and use-second flag follow
        bool contractual; // contractual block, flags word, words 91 and 93
        bool unitBit;     // bit 15 of a weight word: pulses per litre
        bool weakCheck;   // U28: only the weights are checked
        bool spareByte44; // byte 44 is not decoded and goes back as read
    };
    static const Layout &layout(ModuleId id);

    explicit ParamCodecTwo(ModuleId id);

    ModuleId module() const override { return m_layout.id; }
    int recordSystems() const override { return 2; }

    QString DecParam(const Tab &reply, const Identity &id) override;
    using ParamCodec::DecParam;
    QStringList SLfromParam(int system) const override;
    QString listUnit(int system, int index) const override;
    QList<QStringList> gridHeader() const override;
    QList<int> gridColumns() const override;
    void loadDefaults() override;
    void ShowParam(int type) override;
    bool CheckParam(ParamStatus &status) override;
    void CopySysParam(int system) override;
    QString VesChange(int tag, ParamStatus &status) override;
    QString encode(Tab &data, QString &diff) const override;
    ListField listField(int system, int index) override;

    static ParamHalf defaultHalf(ModuleId id);
    const ParamRec2 &rec() const { return m_rec; }
    ParamRec2 &rec() { return m_rec; }

    // Contractual-value masks of a system, in the order Tп, Tо, Tх, Pп, Pо, Pх.
    static int contractMask(int system, int i);

private:
    bool readForm(ParamHalf &h, int system, ParamStatus &status);
    void updateEnabling();
    QString weightBaseLabel(int i) const;
    // A weight word as the page shows it: litres per pulse (word / 10) or,
    // with the unit bit, pulses per litre ((word & 0x7FFF) / 100).
    double weightInUnit(double word) const;
    // The refusal a stored half still deserves, as the page would show it
    // (empty when every stored value passes the check).
    QString storedFailure(int system) const;

    Layout m_layout;
    ParamRec2 m_rec;
    // Per system: its last check refused a value. A later check of the
    // other system clears only that system's refusal, so a red value left
    // in one half still keeps the write back until it is corrected.
    std::array<bool, 2> m_refused{};
};

} // namespace pim
