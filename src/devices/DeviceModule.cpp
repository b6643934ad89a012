#include "devices/DeviceModule.h"

#include "devices/ArhCodec.h"
#include "devices/ParamCodec.h"
#include "devices/StateCodec.h"

namespace pim {

QString moduleName(ModuleId id)
{
    switch (id) {
    case ModuleId::U128: return QStringLiteral("U128");
    case ModuleId::U25: return QStringLiteral("U25");
    case ModuleId::U27: return QStringLiteral("U27");
    case ModuleId::U28: return QStringLiteral("U28");
    case ModuleId::U29: return QStringLiteral("U29");
    case ModuleId::U34: return QStringLiteral("U34");
    case ModuleId::U38: return QStringLiteral("U38");
    }
    return QString();
}

DeviceModule::DeviceModule(ModuleId id, const ValueFormat *format)
    : m_id(id), m_state(makeStateCodec(id)), m_param(makeParamCodec(id)), m_arh(makeArhCodec(id))
{
    m_state->setValueFormat(format);
    m_param->setValueFormat(format);
    if (m_arh)
        m_arh->setValueFormat(format);
}

DeviceModule::~DeviceModule() = default;

} // namespace pim
