#include "workflows/IdentityCheck.h"

#include "devices/Registry.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"

namespace pim {

bool IdentityCheck::ensure(DeviceRoad &road)
{
    if (CurrentType() < 0 || CurrentNumber() < 0)
        road.identify();
    return CurrentType() >= 0 && CurrentNumber() >= 0;
}

bool IdentityCheck::changeLogType(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t && t->changeLog;
}

IdentityCheck::Hand IdentityCheck::setByHand(int number, const QString &modelName)
{
    Hand h;
    h.eno = QString::number(number);
    CurrentIdentity().number = number;
    if (!modelName.isEmpty()) {
        const int found = typeByModelName(modelName);
        h.typeChosen = true;
        h.etype = modelName;
        // A name that is no model name leaves the type as it was.
        if (found >= 0) {
            CurrentIdentity().type = found;
            h.imitationType = found;
        }
    }
    const int type = CurrentType();
    if (number >= 1 && number <= 65535 && type >= kMinTypeCode && type <= kMaxTypeCode) {
        h.ok = true;
        h.status = QStringLiteral("номер правильный");
    } else {
        CurrentIdentity().number = -1;
        h.status = QStringLiteral("номер должен быть от 1 до 65535");
    }
    h.changeLog = changeLogType(type);
    return h;
}

} // namespace pim
