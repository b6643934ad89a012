#include "devices/DeviceSession.h"

#include "devices/Registry.h"

namespace pim {

DeviceSession::DeviceSession() = default;
DeviceSession::~DeviceSession() = default;

DeviceModule *DeviceSession::moduleFor(int type)
{
    const TypeInfo *t = typeInfo(type);
    if (!t)
        return nullptr;
    auto &m = m_modules[size_t(t->module)];
    if (!m)
        m = std::make_unique<DeviceModule>(t->module, &m_format);
    return m.get();
}

} // namespace pim
