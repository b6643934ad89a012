#include "devices/StateCodec.h"

#include "devices/ModuleCheck.h"

namespace pim {

int weightOf(int weightNo)
{
    // 10^(3 − n) rounded to the nearest integer: below 1 it rounds to 0.
    switch (weightNo) {
    case 0: return 1000;
    case 1: return 100;
    case 2: return 10;
    case 3: return 1;
    default: return 0;
    }
}

const QStringList &StateCodec::errorTexts(int) const
{
    static const QStringList none;
    return none;
}

int StateCodec::errorCode(int, int) const
{
    return -1;
}

void StateCodec::setErrorCode(int, int, int) {}

QString StateCodec::ImitState(const Tab &, Imitator &, Tab &)
{
    return QStringLiteral("unit %1:function ImitState: CMD erundec").arg(moduleName(module()));
}

QString StateCodec::moduleCheck(const Tab &reply, int length, const QString &erundec, const Identity &id)
{
    return moduleReplyCheck(reply, length, Q_State, erundec, id, true);
}

std::unique_ptr<StateCodec> makeStateCodec(ModuleId id)
{
    switch (id) {
    case ModuleId::U128: return std::make_unique<StateCodec128>();
    case ModuleId::U25: return std::make_unique<StateCodec25>();
    case ModuleId::U27: return std::make_unique<StateCodec27>();
    case ModuleId::U28:
    case ModuleId::U29:
    case ModuleId::U34:
    case ModuleId::U38: return std::make_unique<StateCodec2>(id);
    }
    return nullptr;
}

const QStringList &systemErrorTexts2()
{
    static const QStringList t{
        QStringLiteral(" НОРМА"),
        QStringLiteral("Отсутствие расхода по счетчику воды, используемому для расчета тепловой энергии свыше 48 часов при разнице температур больше 20 0С. Ошибка активизируется к обратному трубопроводу только для закрытых систем!"),
        QStringLiteral("Температура первого или второго термопреобразователя меньше 0 или больше 150°C. При возникновении этой ошибки прекращается расчет тепловой энергии."),
        QStringLiteral("Температура первого термометра ниже, чем температура второго. При возникновении этой ошибки прекращается расчеты тепловой энергии!"),
        QStringLiteral("Некорректное значение тепловой энергии в открытой системе (тепловая энергия отрицательна, суммирование энергии на индикаторе не производится)."),
        QStringLiteral("Расход теплоносителя выходит за предел минимального  значения"),
        QStringLiteral("Расход теплоносителя выходит за предел максимального значения."),
        QStringLiteral("Разница температур ниже нормированного значения."),
        QStringLiteral("Обратное движение теплоносителя в обратном трубопроводе (только для открытой системы)"),
    };
    return t;
}

const QStringList &deviceErrorTexts2()
{
    static const QStringList t{
        QStringLiteral(" НОРМА"),
        QStringLiteral("Ошибка АЦП."),
        QStringLiteral("Ошибка записи архива."),
        QStringLiteral("Напряжении батареи меньше минимально допустимого."),
        QStringLiteral("Счетчик часов наработки превысил 4,5 года (необходимо заменить батарейку)."),
        QStringLiteral("Отсутствие напряжения питания внешнего расходомера"),
    };
    return t;
}

// Entry 2 writes the degree unit with a Latin C here and with a Cyrillic
// С in U27, as the two generations of devices do.
const QStringList &errorTexts25()
{
    static const QStringList t{
        QStringLiteral(" НОРМА"),
        QStringLiteral("отсутствие расхода по счетчику воды, используемому для расчета тепловой энергии свыше 48 часов при разнице температур больше 20°С (только для закрытых систем)"),
        QStringLiteral("температура первого или второго термопреобразователя меньше 0 или больше 150°C (прекращается расчет тепловой энергии)"),
        QStringLiteral("обратное подключение термопреобразователей сопротивления (прекращается расчет тепловой энергии)"),
        QStringLiteral("ошибка системы измерения температур"),
        QStringLiteral("счетчик часов наработки превысил 4,5 года"),
        QStringLiteral("необходимость замены батареи  питания"),
        QStringLiteral("ошибка памяти EEPROM"),
        QStringLiteral("энергия в открытой системе отрицательна"),
    };
    return t;
}

const QStringList &errorTexts27()
{
    static const QStringList t = [] {
        QStringList l = errorTexts25();
        l[2] = QStringLiteral("температура первого или второго термопреобразователя меньше 0 или больше 150°С (прекращается расчет тепловой энергии)");
        return l;
    }();
    return t;
}

} // namespace pim
