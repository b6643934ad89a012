#include "workflows/ChangeLog.h"

#include "base/Dates.h"
#include "base/Format.h"
#include "devices/DeviceModule.h"
#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "links/Waiter.h"
#include "protocol/Fields.h"
#include "workflows/DeviceRoad.h"
#include "workflows/DumpLines.h"
#include "workflows/IdentityCheck.h"
#include "workflows/WorkflowUi.h"

namespace pim {

namespace {
// Values of the 229 configuration list that a record carries: pulse
// weights, system type, cold-water temperatures, the second-temperature
// period, minimum and maximum volume. The report day and the two flags
// after them are not in the record.
constexpr int kCarried = 12;
} // namespace

bool ChangeLog::served(int type)
{
    const TypeInfo *info = typeInfo(type);
    return info && info->changeLog;
}

QString ChangeLog::servedText()
{
    // Runs of consecutive codes are written as "a..b".
    QStringList parts;
    const QList<int> &types = ServedTypes();
    for (int i = 0; i < types.size(); ++i) {
        if (!served(types[i]))
            continue;
        int j = i;
        while (j + 1 < types.size() && served(types[j + 1]) && types[j + 1] == types[j] + 1)
            ++j;
        parts << (j > i + 1 ? QStringLiteral("%1..%2").arg(types[i]).arg(types[j])
                            : j == i + 1 ? QStringLiteral("%1, %2").arg(types[i]).arg(types[j])
                                         : QString::number(types[i]));
        i = j;
    }
    return parts.join(QStringLiteral(", "));
}

QList<QStringList> ChangeLog::header()
{
    return {
        {QStringLiteral("блок,запись,№ сист"), QStringLiteral("вес имп"), QStringLiteral("вес имп"),
         QStringLiteral("вес имп"), QStringLiteral("тип"), QStringLiteral("t°C ХВС"), QStringLiteral("t°C ХВС"),
         QStringLiteral("нач 2-й t°C"), QStringLiteral("нач 2-й t°C"), QStringLiteral("кон 2-й t°C"),
         QStringLiteral("кон 2-й t°C"), QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("отч"),
         QStringLiteral("призн"), QStringLiteral("призн")},
        {QStringLiteral("Дата, время"), QStringLiteral("датч №1"), QStringLiteral("датч №2"),
         QStringLiteral("датч №3"), QStringLiteral("сист"), QStringLiteral("первая"), QStringLiteral("вторая"),
         QStringLiteral("день"), QStringLiteral("м-ц"), QStringLiteral("день"), QStringLiteral("м-ц"),
         QStringLiteral("объем"), QStringLiteral("объем"), QStringLiteral("день"), QStringLiteral("сумм ош"),
         QStringLiteral("исп 2-й t°C")},
    };
}

QStringList ChangeLog::noDataRow()
{
    QStringList row;
    for (int c = 0; c < kColumns; ++c)
        row << QStringLiteral("нет данных");
    return row;
}

QString ChangeLog::replyFault(const Tab &reply, const Identity &id)
{
    if (reply.size() < kChangReplyLength || reply.at(0) != reply.size())
        return Format(u"неполный ответ: %d байт", {int(reply.size())});
    if (!TestCS(reply))
        return QStringLiteral("НЕСОВПАДЕНИЕ КОНТРОЛЬНОЙ СУММЫ");
    if (reply.at(4) != Q_Chang)
        return Format(u"ответ на команду %d", {int(reply.at(4))});
    if (int(GetW(reply, 2)) != id.number)
        return Format(u"НЕСОВПАДЕНИЕ НОМЕРА УСТРОЙСТВА: %d", {int(GetW(reply, 2))});
    return {};
}

bool ChangeLog::erasedSlot(const Tab &reply)
{
    if (reply.size() < kChangReplyLength)
        return false;
    for (int i = 5; i < reply.size() - 1; ++i)
        if (reply.at(i) != 0xFF)
            return false;
    return true;
}

QString ChangeLog::recordFault(const Tab &reply)
{
    if (reply.size() < kChangReplyLength)
        return Format(u"неполный ответ: %d байт", {int(reply.size())});
    const int day = GetW(reply, 5);
    const int minutes = GetW(reply, 7);
    // The calculators count days from 1 January 2000 with a two-digit year.
    if (day < 1 || day > 36525 || minutes >= 24 * 60)
        return Format(u"невозможные дата и время изменения: день %d, минута %d", {day, minutes});
    return {};
}

Tab ChangeLog::configFrame(const Tab &record)
{
    Tab f = record.mid(0, 5);
    f.set(0, kChangReplyLength);
    f.set(4, Q_Param);
    f.append(record.mid(9, kChangReplyLength - 9)); // bytes 5..41
    f.append(Tab(3));                                // bytes 42..44
    f.append(0);
    f.set(kChangReplyLength - 1, CalcCS(f.mid(0, kChangReplyLength - 1)));
    return f;
}

QList<QStringList> ChangeLog::recordRows(const Tab &record, int block, int recordNo, const ValueFormat &format)
{
    const Tab frame = configFrame(record);
    // A codec of its own: nothing of the session's configuration changes.
    // The frame is made to pass the decoder's checks; what it would say
    // about the record's values is of no interest here.
    std::unique_ptr<ParamCodec> codec = makeParamCodec(ModuleId::U29);
    codec->setValueFormat(&format);
    codec->DecParam(frame, Identity{frame.at(1), int(GetW(frame, 2))});

    const int day = GetW(record, 5);
    const int minutes = GetW(record, 7);
    const QString date = shortDateText(dayNumberToDate(day));
    QList<QStringList> rows;
    for (int s = 0; s < 2; ++s) {
        QStringList row;
        row << Format(u"%d %.2d %d %s %.2d:%.2d", {block, recordNo, s + 1, date, minutes / 60, minutes % 60});
        const QStringList values = codec->SLfromParam(s);
        for (int c = 0; c < kColumns - 1; ++c)
            row << (c < kCarried ? values.value(c) : QString());
        rows << row;
    }
    return rows;
}

QStringList ChangeLog::listing(const Tab &reply, int block, int record)
{
    QStringList lines;
    lines << Format(u"ЖУИ блок=%d запись=%d", {block, record});
    for (int i = 0; i < reply.size(); ++i)
        lines << Format(u"%.2d.%.2d=%S", {i, int(reply.at(i)), DumpLines::hex2(reply.at(i))});
    return lines;
}

ChangeLog::ChangeLog(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session)
    : m_road(road), m_ui(ui), m_session(session)
{
}

ChangeLog::Result ChangeLog::read(const std::function<void(const QList<QStringList> &)> &onRows)
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        m_ui.statusFail(m_road.busyText());
        return r;
    }
    if (!IdentityCheck::ensure(m_road, m_session))
        return r;
    if (!served(m_session.type())) {
        r.served = false;
        return r;
    }
    m_ui.statusBusy(QStringLiteral("Чтение журнала учета изменений. Ждите..."));
    const Identity id = m_session.identity();
    for (int b = 0; b < kBlocks; ++b) {
        for (int n = 0; n < kRecords; ++n) {
            QString fault;
            bool erased = false;
            Tab io;
            QStringList lines;
            for (int attempt = 1; attempt <= kAttempts; ++attempt) {
                if (attempt > 1)
                    m_road.waiter().Pause(1);
                io = SQ(id, Q_Chang, Tab{quint8(b), quint8(n)});
                ++r.requests;
                if (!m_road.exchange(io)) {
                    if (m_ui.memoVisible() && !lines.isEmpty())
                        m_ui.memoAppend(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
                    m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
                    return r;
                }
                lines << listing(io, b, n);
                fault = replyFault(io, id);
                erased = fault.isEmpty() && erasedSlot(io);
                if (fault.isEmpty() && !erased)
                    fault = recordFault(io);
                if (fault.isEmpty())
                    break;
                if (attempt < kAttempts)
                    lines << Format(u"ЖУИ блок=%d запись=%d: %s - запрошена еще раз", {b, n, fault});
            }
            if (erased) {
                ++r.erased;
                lines << Format(u"ЖУИ блок=%d запись=%d: пустая (изменений не записано)", {b, n});
            } else if (!fault.isEmpty()) {
                const QString why = Format(u"ЖУИ блок=%d запись=%d пропущена: %s", {b, n, fault});
                lines << why;
                r.skipped << why;
            }
            if (m_ui.memoVisible())
                m_ui.memoAppend(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
            if (fault.isEmpty() && !erased) {
                const QList<QStringList> rows = recordRows(io, b, n, m_session.valueFormat());
                r.rows += rows;
                if (onRows)
                    onRows(rows);
            }
            m_road.waiter().Pause(1);
        }
    }
    r.answered = true;
    const int taken = int(r.rows.size() / 2);
    if (r.skipped.isEmpty() && r.erased == 0)
        m_ui.statusOk(QStringLiteral("Журнал учета изменений успешно прочитан"));
    else if (r.skipped.isEmpty())
        m_ui.statusOk(Format(u"Журнал учета изменений успешно прочитан: записей %d, пустых %d", {taken, r.erased}));
    else
        m_ui.statusFail(Format(u"Журнал учета изменений прочитан не весь: пропущено записей %d", {int(r.skipped.size())}));
    return r;
}

} // namespace pim
