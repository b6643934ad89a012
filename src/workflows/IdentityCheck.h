#pragma once
// The identity before every device command, and the identity set by hand
// for a line with several calculators (system mode).

#include <QString>

namespace pim {

class DeviceRoad;
class DeviceSession;

class IdentityCheck {
public:
    // Runs the identity command when the type or the number is unknown;
    // true when both are known afterwards. A false answer needs no message:
    // the identity command has shown one.
    static bool ensure(DeviceRoad &road, const DeviceSession &session);

    struct Hand {
        QString eno;          // text of "ENo"
        QString etype;        // text of "Etype" (unchanged when no type was chosen)
        bool typeChosen = false;
        int imitationType = -1; // the imitation's type when a type was chosen
        bool ok = false;      // "номер правильный", else "номер должен быть от 1 до 65535"
        QString status;
        bool changeLog = false; // "ЖУИ" enabled
    };
    // System mode: the number of "SEno" and the model name chosen in "CBTu"
    // (empty when none is chosen). Sets the session's identity.
    static Hand setByHand(DeviceSession &session, int number, const QString &modelName);

    // The types whose change log can be read.
    static bool changeLogType(int type);
};

} // namespace pim
