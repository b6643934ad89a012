#include "workflows/IdentityCheck.h"

#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"

namespace pim {

bool IdentityCheck::ensure(DeviceRoad &road, const DeviceSession &session)
{
    if (!session.identified())
        road.identify();
    return session.identified();
}

bool IdentityCheck::changeLogType(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t && t->changeLog;
}

IdentityCheck::Hand IdentityCheck::setByHand(DeviceSession &session, int number, const QString &modelName)
{
    Hand h;
    h.eno = QString::number(number);
    session.setNumber(number);
    if (!modelName.isEmpty()) {
        const int found = typeByModelName(modelName);
        h.typeChosen = true;
        h.etype = modelName;
        // A name that is no model name leaves the type as it was.
        if (found >= 0) {
            session.setType(found);
            h.imitationType = found;
        }
    }
    const int type = session.type();
    if (number >= 1 && number <= 65535 && type >= kMinTypeCode && type <= kMaxTypeCode) {
        h.ok = true;
        h.status = QStringLiteral("номер правильный");
    } else {
        session.setNumber(-1);
        h.status = QStringLiteral("номер должен быть от 1 до 65535");
    }
    h.changeLog = changeLogType(type);
    return h;
}

} // namespace pim
