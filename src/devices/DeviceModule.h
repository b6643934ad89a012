#pragma once
// One module per calculator generation. A module is three codecs behind one
// facade: the state codec (state records, decoding, value lists, state
// view, imitation), the configuration codec (records, decoding, form model,
// checks, encoding) and the archive codec (records, request plan, decoding,
// ordering, tables, record images). A module object belongs to one device
// session (devices/DeviceSession.h), which keeps its records; the
// two-system modules share one implementation per codec, parameterised by
// their tables.

#include <QString>

#include <memory>

namespace pim {

enum class ModuleId { U128, U25, U27, U28, U29, U34, U38 };
inline constexpr int kModuleCount = 7;

class StateCodec; // devices/StateCodec.h
class ParamCodec; // devices/ParamCodec.h
class ArhCodec;   // devices/ArhCodec.h
class ValueFormat; // devices/ValueFormat.h

std::unique_ptr<StateCodec> makeStateCodec(ModuleId id);
std::unique_ptr<ParamCodec> makeParamCodec(ModuleId id);
std::unique_ptr<ArhCodec> makeArhCodec(ModuleId id); // null for U128

QString moduleName(ModuleId id); // "U29"

class DeviceModule {
public:
    // The codecs list real values in `format` (the session's; "%f" when null).
    explicit DeviceModule(ModuleId id, const ValueFormat *format = nullptr);
    ~DeviceModule();
    DeviceModule(const DeviceModule &) = delete;
    DeviceModule &operator=(const DeviceModule &) = delete;

    ModuleId id() const { return m_id; }
    QString name() const { return moduleName(m_id); }

    StateCodec &state() const { return *m_state; }
    ParamCodec &param() const { return *m_param; }
    // Absent for U128, which keeps no archive.
    ArhCodec *arh() const { return m_arh.get(); }

private:
    ModuleId m_id;
    std::unique_ptr<StateCodec> m_state;
    std::unique_ptr<ParamCodec> m_param;
    std::unique_ptr<ArhCodec> m_arh;
};

} // namespace pim
