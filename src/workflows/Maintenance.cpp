#include "workflows/Maintenance.h"

#include "base/Dates.h"
#include "devices/DeviceSession.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/ConfigReading.h"
#include "workflows/DeviceRoad.h"
#include "workflows/IdentityCheck.h"
#include "workflows/WorkflowUi.h"

#include "base/FormatSettings.h"

namespace pim {

namespace {
const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
const QString kNoLink225 = QStringLiteral("не замкнута перемычка или нет связи");
} // namespace

struct Maintenance::Job {
    QString confirm;  // after the prefix
    QString progress;
    std::function<QString()> success;
    std::function<Tab(const Identity &)> request;
    // The reply's status once it passed its frame check: 0 done, 1 jumper,
    // other password; -1: not a reply to this request.
    std::function<int(const Tab &reply, const Identity &id)> status;
    // The status of an imitated reply (training mode has no line that
    // could spoil a frame, and its replies are not a device's frames: they
    // are read by their status byte alone). Unset: imitatedStatus().
    std::function<int(const Tab &reply, const Identity &id)> imitated;
    std::function<void()> before; // right after "ДА"
    // A request that went out without a sound reply may still have been
    // carried out: asks the device what is true now. 0 done, 1 not done
    // (with its text), -1 unknown (with its text).
    std::function<int(const Identity &id, QString &text)> verify;
};

Maintenance::Maintenance(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session, Confirm confirm)
    : m_road(road), m_ui(ui), m_session(session), m_confirm(std::move(confirm))
{
}

QString Maintenance::question(const QString &commandText)
{
    return QStringLiteral("\r\r   А ВЫ УВЕРЕНЫ В ТОМ, ЧТО НЕОБХОДИМО\r\r   ") + commandText;
}

QString Maintenance::refusalText(int status)
{
    return status == 1 ? QStringLiteral("не замкнута перемычка") : QStringLiteral("не совпал пароль");
}

Tab Maintenance::timeData(const QDateTime &t)
{
    Tab d(5);
    PutW(t.time().hour() * 60 + t.time().minute(), d, 0);
    d.set(2, t.date().day());
    d.set(3, t.date().month());
    d.set(4, t.date().year() - 2000);
    return d;
}

namespace {

// The whole frame is checked before its status byte is read: a short,
// stale or damaged reply is no answer. Types that answer with a status
// byte send 7 bytes, the others (225) the bare 6.
bool answersWithStatus(int type)
{
    const TypeInfo *t = typeInfo(type);
    return !t || t->resetHasStatus;
}

int statusOf(const Tab &reply, int code, const Identity &id, bool hasStatus)
{
    if (!TestAnswer(reply, hasStatus ? 7 : 6, code, id).isEmpty())
        return -1;
    return hasStatus ? reply.at(5) : 0;
}

// An imitated reply: a 225 has no status byte, so any reply is done; the
// others say what their byte 5 holds, whatever the imitation put there.
int imitatedStatus(const Tab &reply, const Identity &id)
{
    if (id.type == 225)
        return 0;
    return reply.size() > 5 ? reply.at(5) : -1;
}

// The device answers an identity request addressed to `who`.
bool answersAs(DeviceRoad &road, const Identity &who)
{
    Tab io = SQ(who, Q_NoTu);
    if (!road.exchange(io))
        return false;
    const int len = io.at(0);
    if (len < 6 || len > io.size())
        return false;
    io.truncate(len);
    int number = -1, type = -1;
    return DecNoTu(io, number, type).isEmpty() && number == who.number && type == who.type;
}

} // namespace

Maintenance::Result Maintenance::run(const Job &job)
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        r.text = m_road.busyText();
        m_ui.statusFail(r.text);
        return r;
    }
    if (m_session.number() < 0 && !IdentityCheck::ensure(m_road, m_session))
        return r;
    if (m_session.number() < 0)
        return r;
    r.asked = true;
    if (!m_confirm || !m_confirm(question(job.confirm)))
        return r;
    r.confirmed = true;
    if (job.before)
        job.before();
    const Identity id = m_session.identity();
    m_ui.statusBusy(job.progress);
    Tab io = job.request(id);
    if (io.isEmpty())
        return r;
    r.sent = true;
    const bool answered = m_road.exchange(io);
    int status = -1;
    if (answered) {
        if (m_road.imitation())
            status = job.imitated ? job.imitated(io, id) : imitatedStatus(io, id);
        else
            status = job.status(io, id);
    }
    // Training mode has no line to lose a reply on: only a real line is
    // asked again what became of a request it heard no sound reply to.
    if (status < 0 && job.verify && !m_road.imitation()) {
        QString text;
        const int verdict = job.verify(id, text);
        if (verdict == 0) {
            r.ok = true;
            r.text = job.success();
            m_ui.statusOk(r.text);
        } else {
            r.text = text;
            m_ui.statusFail(r.text);
        }
        return r;
    }
    if (status < 0) {
        r.text = m_session.type() == 225 ? kNoLink225 : kNoLink;
        m_ui.statusFail(r.text);
        return r;
    }
    if (status != 0) {
        r.text = refusalText(status);
        m_ui.statusFail(r.text);
        return r;
    }
    r.ok = true;
    r.text = job.success();
    m_ui.statusOk(r.text);
    return r;
}

Maintenance::Result Maintenance::setTime(const std::function<QDateTime()> &now, const QString &clockText)
{
    QDateTime at;
    Job s;
    s.confirm = QStringLiteral("ЗАДАТЬ ДАТУ И ВРЕМЯ ") + clockText + QStringLiteral(" ???");
    s.progress = QStringLiteral("Установление ") + clockText + QStringLiteral(" Ждите...");
    s.before = [&] { at = now(); };
    s.request = [&](const Identity &id) { return SQ(id, Q_SetTime, timeData(at)); };
    // Any sound reply counts as done: the clock command has no refusal.
    s.status = [](const Tab &reply, const Identity &id) {
        return statusOf(reply, Q_SetTime, id, answersWithStatus(id.type)) < 0 ? -1 : 0;
    };
    s.imitated = [](const Tab &, const Identity &) { return 0; };
    s.success = [&] {
        // The system's short date and long time formats.
        return QStringLiteral("Успешно установлено ") + shortDateText(at.date()) + QLatin1Char(' ')
            + formatDateTime(formatSettings().longTimeFormat, at);
    };
    return run(s);
}

Maintenance::Result Maintenance::setNumber(int number)
{
    const int type = m_session.type();
    const bool is128 = type == 128;
    if (m_session.number() >= 0 && !is128 && !(typeInfo(type) && typeInfo(type)->hasArchive())) {
        m_ui.message(QStringLiteral("ASetNOExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        return {};
    }
    Job s;
    s.confirm = QStringLiteral("ЗАДАТЬ НОМЕР ") + QString::number(number) + QStringLiteral(" ???");
    s.progress = QStringLiteral("изменение номера. Ждите...");
    s.request = [&](const Identity &id) -> Tab {
        const TypeInfo *t = typeInfo(id.type);
        if (id.type == 128)
            return SQ128(id, 2, number);
        if (!t || !t->hasArchive()) {
            m_ui.message(QStringLiteral("ASetNOExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
            return Tab();
        }
        Tab d(4);
        d.set(0, 0x55);
        d.set(1, 0xAA);
        PutW(number, d, 2);
        return SQ(id, Q_SetNo, d);
    };
    s.status = [&](const Tab &reply, const Identity &id) {
        const Identity renamed{id.type, number};
        if (id.type == 128) {
            // The pulse counter says in its header which number it has now.
            if (statusOf(reply, 2, renamed, false) == 0)
                return 0;
            return statusOf(reply, 2, id, false) == 0 ? 1 : -1;
        }
        const bool hasStatus = answersWithStatus(id.type);
        // The reply may come under the new number already.
        const int st = statusOf(reply, Q_SetNo, renamed, hasStatus);
        return st >= 0 ? st : statusOf(reply, Q_SetNo, id, hasStatus);
    };
    s.imitated = [&](const Tab &reply, const Identity &id) {
        // The imitated pulse counter names the new number in its header
        // about every second time, the old one otherwise.
        if (id.type == 128)
            return GetW(reply, 2) == number ? 0 : 1;
        return imitatedStatus(reply, id);
    };
    // A lost or damaged reply does not say the number stayed: the device
    // is asked under the new number first, then under the old one.
    s.verify = [&](const Identity &id, QString &text) {
        const Identity renamed{id.type, number};
        m_ui.statusBusy(QStringLiteral("ответ не получен: проверка номера ") + QString::number(number));
        if (answersAs(m_road, renamed))
            return 0;
        if (number != id.number && answersAs(m_road, id)) {
            text = id.type == 225 ? QStringLiteral("не замкнута перемычка")
                                  : QStringLiteral("номер не изменен: устройство отвечает под номером ")
                                        + QString::number(id.number);
            return 1;
        }
        text = QStringLiteral("НЕТ СВЯЗИ: неизвестно, изменен ли номер (устройство не ответило ни под номером %1, "
                              "ни под номером %2)")
                   .arg(number)
                   .arg(id.number);
        return -1;
    };
    s.success = [] { return QStringLiteral("успешно установлен номер"); };
    Result r = run(s);
    if (r.ok) {
        // The next commands address the device under its new number.
        m_session.setNumber(number);
    }
    r.number = m_session.number();
    return r;
}

Maintenance::Result Maintenance::init()
{
    Job s;
    s.confirm = QStringLiteral("ИНИЦИАЛИЗИРОВАТЬ УСТРОЙСТВО ???");
    s.progress = QStringLiteral("Инициализация. Ждите...");
    s.request = [](const Identity &id) { return SQ(id, Q_Init); };
    s.status = [](const Tab &reply, const Identity &id) { return statusOf(reply, Q_Init, id, answersWithStatus(id.type)); };
    s.success = [] { return QStringLiteral("успешно инициализировано устройство"); };
    return run(s);
}

Maintenance::Result Maintenance::zeroTime()
{
    Job s;
    s.confirm = QStringLiteral("НАЧАТЬ ОТСЧЕТ ВРЕМЕНИ РАБОТЫ ???");
    s.progress = QStringLiteral("Обнуление времени работы. Ждите...");
    s.request = [](const Identity &id) { return SQ(id, Q_ZeroTime); };
    s.status = [](const Tab &reply, const Identity &id) {
        return statusOf(reply, Q_ZeroTime, id, answersWithStatus(id.type));
    };
    s.success = [] { return QStringLiteral("успешно начат отсчет времени работы"); };
    return run(s);
}

Maintenance::Result Maintenance::clearArchives()
{
    // A device without archives (the pulse counter) has nothing to clear,
    // and it would take code 2 with these two bytes as a new serial number
    // (0xBB44): nothing is sent to it.
    const QString mismatch = QStringLiteral("ASetArhExecute: НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
    const auto noArchive = [](int type) { return typeInfo(type) && !typeInfo(type)->hasArchive(); };
    if (m_session.number() >= 0 && noArchive(m_session.type())) {
        m_ui.message(mismatch);
        Result r;
        r.text = mismatch;
        return r;
    }
    Job s;
    s.confirm = QStringLiteral("ОЧИСТИТЬ АРХИВЫ ???");
    s.progress = QStringLiteral("Очистка архивов. Ждите...");
    QString refused;
    s.request = [&](const Identity &id) -> Tab {
        if (noArchive(id.type)) {
            m_ui.message(mismatch);
            refused = mismatch;
            return Tab();
        }
        return SQ(id, Q_ClrArh, Tab{0x44, 0xBB});
    };
    s.status = [](const Tab &reply, const Identity &id) {
        return statusOf(reply, Q_ClrArh, id, answersWithStatus(id.type));
    };
    s.success = [] { return QStringLiteral("успешно начата очистка архивов"); };
    Result r = run(s);
    if (!refused.isEmpty())
        r.text = refused;
    return r;
}

Maintenance::Result Maintenance::writeConfig()
{
    Job s;
    s.confirm = QStringLiteral("СМЕНИТЬ КОНФИГУРАЦИЮ ???");
    s.progress = QStringLiteral("Обновление кофигурации. Ждите...");
    QString refused;
    Tab sent;
    s.request = [&](const Identity &id) -> Tab {
        DeviceModule *module = m_session.moduleFor(id.type);
        if (!module) {
            m_ui.message(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
            return Tab();
        }
        Tab request;
        refused = module->param().writeRequest(id, request);
        if (!refused.isEmpty()) {
            m_ui.statusFail(refused);
            return Tab();
        }
        sent = request;
        return request;
    };
    // A lost or damaged reply does not say the write failed: what the
    // device holds now is read back and compared before anything is said.
    s.verify = [&](const Identity &id, QString &text) {
        const int verdict = ConfigReading::holdsWritten(m_road, m_ui, m_session, sent);
        if (verdict == 1)
            text = id.type == 225 ? QStringLiteral("не замкнута перемычка")
                                  : QStringLiteral("конфигурация не записана: ответ не получен, устройство хранит "
                                                   "другую");
        else if (verdict < 0)
            text = (id.type == 225 ? kNoLink225 : kNoLink)
                + QStringLiteral(": неизвестно, записана ли конфигурация");
        return verdict;
    };
    s.status = [&](const Tab &reply, const Identity &id) {
        if (id.type == 128) {
            // The pulse counter answers with its state: taken only when it
            // echoes the values written.
            if (!TestAnswer(reply, reply.size(), Q_SetParam128, id).isEmpty())
                return -1;
            return m_session.moduleFor(128)->param().writeAccepted(reply) ? 0 : 1;
        }
        return statusOf(reply, Q_SetParam, id, answersWithStatus(id.type));
    };
    s.imitated = [&](const Tab &reply, const Identity &id) {
        // The imitated pulse counter answers with the state it generated.
        if (id.type == 128)
            return m_session.moduleFor(128)->param().writeAccepted(reply) ? 0 : 1;
        return imitatedStatus(reply, id);
    };
    s.success = [] { return QStringLiteral("успешно обновлена конфигурация"); };
    Result r = run(s);
    if (!refused.isEmpty())
        r.text = refused;
    return r;
}

} // namespace pim
