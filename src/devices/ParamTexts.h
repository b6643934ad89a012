#pragma once
// The operator texts of the configuration page, checks and lists. Kept in
// one place because several of them differ from their look-alikes only in
// Latin or Cyrillic letters (XBC / ХВС, t°C / t°С, Vo / Tо).

#include <QString>
#include <QStringList>

namespace pim::paramtext {

inline const QString kErunDec = QStringLiteral("unit Upo:function DecParam: erundec ");
inline const QString kOkPlural = QStringLiteral("правильные значения");
inline const QString kOkSingular = QStringLiteral("правильное значение");
inline const QString kBadValue = QStringLiteral("-неправильное значение");
inline const QString kDataOk = QStringLiteral("Данные правильные");
inline const QString kOutOfRange = QStringLiteral("выход за диапазон: ");
inline const QString kNotEqual = QStringLiteral("Не совпадает:");
inline const QString kUndefinedType = QStringLiteral("Тип системы=%d не определен");
inline const QString kTypeName = QStringLiteral("Тип системы");
inline const QString kOpen = QStringLiteral("открыт");
inline const QString kConfiguration = QStringLiteral("конфигурация");
inline const QString kSystem1 = QStringLiteral("1-я Система");
inline const QString kSystem2 = QStringLiteral("2-я Система");
inline const QString kVesVp = QStringLiteral("вес имп.Vп");
inline const QString kVesVo = QStringLiteral("вес имп.Vo");
inline const QString kVesVx = QStringLiteral("вес имп.Vx");
inline const QString kVes1 = QStringLiteral("вес имп.1-го р-мера,л/имп");
inline const QString kVes2 = QStringLiteral("вес имп.2-го р-мера,л/имп");
inline const QString kVes3 = QStringLiteral("вес имп.3-го р-мера,л/имп");
inline const QString kVesHw = QStringLiteral("вес имп.р-мера ГВС,л/имп");
inline const QString kUnitPulsesPerLitre = QStringLiteral(" имп/л");
inline const QString kUnitLitresPerPulse = QStringLiteral(" л/имп");
inline const QString kPulsesPerLitre = QStringLiteral("имп/л");
inline const QString kReportDay = QStringLiteral("Отчетный день");
inline const QString kMinFlow = QStringLiteral("Минимальный расход");
inline const QString kMaxFlow = QStringLiteral("Максимальный расход");
inline const QString kTx1 = QStringLiteral("1-я t°C XBC для открытых систем");
inline const QString kTx2 = QStringLiteral("2-я t°C XBC для открытых систем");
inline const QString kTx = QStringLiteral("t°C XBC для открытых систем");
inline const QString kSum = QStringLiteral("Суммировать при наличии нефатальных ошибок");
inline const QString kUse = QStringLiteral("Использовать ");
inline const QString kStartFormat = QStringLiteral("с ddMMMM");
inline const QString kEndFormat = QStringLiteral("по ddMMMM");
inline const QString kStartHint = QStringLiteral("начало применения 2-й XBC");
inline const QString kEndHint = QStringLiteral("конец применения 2-й XBC");
inline const QString kDiffTx1 = QStringLiteral(" t°С XBC ");
inline const QString kDiffTx2 = QStringLiteral(" доп. t°С XBC ");
inline const QString kDiffDates = QStringLiteral(" м-ц/день начала/конца ");
inline const QString kDiffReport = QStringLiteral(" отч.день ");
inline const QString kDiffSum = QStringLiteral(" Пр.сумм с ош ");
inline const QString kDiffUse = QStringLiteral(" Пр.исп.2-й t°С ");
inline const QString kTwoTariffs = QStringLiteral("Два тарифа");
inline const QString kTariffStart = QStringLiteral("Начало тарифа № ");
inline const QString kTariffRange = QStringLiteral("Начало тарифа");
// Hours and minutes, each digit optional, "_" for a free place, the colon
// kept. Written in the widget's own mask syntax: the character after the
// first ";" is the blank, so a mask that puts a digit there (as a "keep the
// literals" flag would read elsewhere) silently drops that digit from every
// time typed.
inline const QString kTariffMask = QStringLiteral("99:99;_");
inline const QString kVesElectric = QStringLiteral("вес имп. счетчика ЭЭ");
inline const QString kUseLimit = QStringLiteral("Использовать ограничение t°С ГВС");
inline const QString kLimit = QStringLiteral("ограничение t°С ГВС");
inline const QString kModification = QStringLiteral("Moдификация КОРБ (кол-во каналов)");
inline const QString kLitresPerPulse128 = QStringLiteral(" литр/имп");

// System types; index = type - 1.
inline const QStringList kSystemTypes = QStringList{QStringLiteral("Отопление закрытая, расходомер на подаче"), QStringLiteral("Отопление закрытая, расходомер на обратке"), QStringLiteral("Отопление открытая обычная"), QStringLiteral("отопление открытая тупиковая"), QStringLiteral("Охлаждение закрытая, р-р на подаче"), QStringLiteral("Охлаждение закрытая, р-р на обратке")};
// Contractual values in mask order: supply, return, cold water temperature, then pressures.
inline const QStringList kContractNames = QStringList{QStringLiteral("Tп"), QStringLiteral("Tо"), QStringLiteral("Tх"), QStringLiteral("Pп"), QStringLiteral("Pо"), QStringLiteral("Pх")};
inline const QString kContract = QStringLiteral("Договорное ");
inline const QString kUseContract = QStringLiteral("Исп. договорное ");

inline const QStringList kGrid2Row1 = QStringList{QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("тип"), QStringLiteral("t°C ХВС"), QStringLiteral("t°C ХВС"), QStringLiteral("нач 2-й t°C"), QStringLiteral("нач 2-й t°C"), QStringLiteral("кон 2-й t°C"), QStringLiteral("кон 2-й t°C"), QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("отч"), QStringLiteral("призн"), QStringLiteral("призн")};
inline const QStringList kGrid2Row2 = QStringList{QStringLiteral("датч №1"), QStringLiteral("датч №2"), QStringLiteral("датч №3"), QStringLiteral("сист"), QStringLiteral("первая"), QStringLiteral("вторая"), QStringLiteral("день"), QStringLiteral("м-ц"), QStringLiteral("день"), QStringLiteral("м-ц"), QStringLiteral("объем"), QStringLiteral("объем"), QStringLiteral("день"), QStringLiteral("сумм ош"), QStringLiteral("исп 2-й t°C")};
inline const QStringList kGrid27Row1 = QStringList{QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("тип"), QStringLiteral("t°C")};
inline const QStringList kGrid27Row2 = QStringList{QStringLiteral("датч №1"), QStringLiteral("датч №2"), QStringLiteral("ГВС"), QStringLiteral("датч №3"), QStringLiteral("сист"), QStringLiteral("ХВС")};
inline const QStringList kGrid25Row1 = QStringList{QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("вес имп"), QStringLiteral("к-во"), QStringLiteral("начало"), QStringLiteral("начало"), QStringLiteral("тип"), QStringLiteral("t°C"), QStringLiteral("пр огр"), QStringLiteral(" t°C")};
inline const QStringList kGrid25Row2 = QStringList{QStringLiteral("датч №1"), QStringLiteral("датч №2"), QStringLiteral("датч №3"), QStringLiteral("электро"), QStringLiteral("тар"), QStringLiteral("1 тарифа"), QStringLiteral("2 тарифа"), QStringLiteral("сист"), QStringLiteral("ХВС"), QStringLiteral("сч ГВС"), QStringLiteral("без ГВС")};

} // namespace pim::paramtext
