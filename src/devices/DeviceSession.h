#pragma once
// One device being served: its identity, the records its module decoded
// (state, configuration and its edit, archives read and shown, request
// plan, averages), the read flags and the view settings. The window and
// each pimctl run own one and pass it down to the workflows; nothing of it
// is process-wide, so two sessions on two links live side by side.

#include "devices/DeviceModule.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"

#include <array>
#include <memory>

namespace pim {

class DeviceSession {
public:
    DeviceSession();
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // ---- identity; -1 = unknown.
    const Identity &identity() const { return m_identity; }
    int type() const { return m_identity.type; }
    int number() const { return m_identity.number; }
    bool identified() const { return m_identity.type >= 0 && m_identity.number >= 0; }
    void setIdentity(int type, int number) { m_identity = Identity{type, number}; }
    void setType(int type) { m_identity.type = type; }
    void setNumber(int number) { m_identity.number = number; }
    void resetIdentity() { m_identity.reset(); }

    // ---- records: the session's own instance of the module serving the
    // identified type (null for a type without module). Records of another
    // type served before stay in that type's module instance.
    DeviceModule *module() { return moduleFor(m_identity.type); }
    DeviceModule *moduleFor(int type);

    // ---- view settings: the format of real values in lists and grids.
    ValueFormat &valueFormat() { return m_format; }
    const ValueFormat &valueFormat() const { return m_format; }

    // ---- read flags, set after the first success and never cleared.
    bool stateRead = false;
    bool configRead = false;

private:
    Identity m_identity;
    ValueFormat m_format;
    std::array<std::unique_ptr<DeviceModule>, kModuleCount> m_modules;
};

} // namespace pim
