#include "workflows/Calibration.h"

#include "base/DataPath.h"
#include "base/Format.h"
#include "base/TextFile.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "protocol/Fields.h"
#include "protocol/Frame.h"
#include "workflows/DeviceRoad.h"
#include "workflows/WorkflowUi.h"

#include <QDir>

#include <cmath>

namespace pim {

namespace {

const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
const QString kJumper = QStringLiteral("не замкнута перемычка");
// A temperature run waits this long for the device to measure.
constexpr int kTemperatureWaitMs = 10000;

bool olderPair(int type)
{
    return type == 225 || type == 227;
}

QString kindName(int kind)
{
    return kind == Calibration::Lower ? QStringLiteral("МЕНЬШЕЙ") : QStringLiteral("БОЛЬШЕЙ");
}

// "%.2d.%.2d=%S": the byte's index, its value and its two hex digits.
QStringList byteLines(const Tab &frame)
{
    QStringList lines;
    for (int i = 0; i < frame.size(); ++i)
        lines << QStringLiteral("%1.%2=%3")
                     .arg(i, 2, 10, QLatin1Char('0'))
                     .arg(frame.at(i), 2, 10, QLatin1Char('0'))
                     .arg(frame.at(i), 2, 16, QLatin1Char('0'))
                     .toUpper();
    return lines;
}

QString real(double v)
{
    return Format(u"%f", {v});
}

// A calibration reply is a whole frame of this device before any byte of
// it is read; the values are read only where the frame holds them.
bool soundReply(const Tab &reply, const Identity &id, int shortest)
{
    return reply.size() >= shortest && TestAnswer(reply, reply.size(), Q_Cal, id).isEmpty();
}

// The single at `offset` when the frame has it (before its checksum).
bool valueAt(const Tab &reply, int offset, double &v)
{
    if (offset < 5 || offset + 4 > reply.size() - 1)
        return false;
    v = GetF(reply, offset);
    return true;
}

} // namespace

QList<int> Calibration::kinds(int type)
{
    const TypeInfo *t = typeInfo(type);
    if (!t || t->module == ModuleId::U128)
        return {};
    if (olderPair(type))
        return {Lower, Higher};
    return {Lower, Higher, Pressure};
}

bool Calibration::twoSystems(int type)
{
    const TypeInfo *t = typeInfo(type);
    return t && t->module != ModuleId::U128 && t->systems == 2;
}

std::array<double, 4> Calibration::defaults(int kind)
{
    switch (kind) {
    case Lower: return {33, 30, 33, 30};
    case Higher: return {150, 150, 150, 150};
    default: return {20, 20, 20, 20};
    }
}

QString Calibration::channelName(int type, int channel)
{
    if (!twoSystems(type))
        return channel == 2 ? QStringLiteral("1 датчик ") : QStringLiteral("2 датчик ");
    switch (channel) {
    case 2: return QStringLiteral("1 датчик 1-й системы ");
    case 3: return QStringLiteral("2 датчик 1-й системы ");
    case 4: return QStringLiteral("1 датчик 2-й системы ");
    default: return QStringLiteral("2 датчик 2-й системы ");
    }
}

Calibration::Calibration(DeviceRoad &road, WorkflowUi &ui, DeviceSession &session)
    : m_road(road), m_ui(ui), m_session(session)
{
}

Calibration::Result Calibration::run(int kind, const std::array<double, 4> &points, int channel, bool all,
                                     const QString &memoFile)
{
    Result r;
    RoadCommand command(m_road);
    if (!command) {
        r.text = m_road.busyText();
        m_ui.statusFail(r.text);
        return r;
    }
    const int type = m_session.type();
    if (m_session.number() < 0 || kind < Lower || kind > Pressure)
        return r;
    if (!typeInfo(type)) {
        r.text = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");
        m_ui.statusFail(r.text);
        return r;
    }
    if (!kinds(type).contains(kind))
        return r;
    if (kind == Pressure && !all && (channel < 2 || channel > 5)) {
        r.text = QStringLiteral("Необходимо выбрать датчик для калибровки щелчком по нему");
        m_ui.statusFail(r.text);
        return r;
    }
    r.ran = true;
    const Identity id = m_session.identity();
    // The operator's reply time-out comes back at the end, whatever it was.
    const int operatorWait = m_road.replyTimeout();
    auto say = [&](bool ok, const QString &text) {
        r.ok = ok;
        r.text = text;
        if (ok)
            m_ui.statusOk(text);
        else
            m_ui.statusFail(text);
    };
    auto send = [&](Tab &io, bool wake) {
        r.memo += byteLines(io);
        if (wake)
            m_road.wakeLine();
        ++r.requests;
        return m_road.exchange(io);
    };

    if (kind != Pressure) {
        m_road.setReplyTimeout(kTemperatureWaitMs);
        m_ui.statusBusy(QStringLiteral("При ") + kindName(kind) + QStringLiteral(" t°C ")
                        + QStringLiteral(" Идет калибровка. Ждите..."));
        Tab data(olderPair(type) ? 9 : 17);
        data.set(0, kind);
        for (int i = 0; i < (olderPair(type) ? 2 : 4); ++i)
            PutF(data, 1 + 4 * i, points[size_t(i)]);
        Tab io = SQ(id, Q_Cal, data);
        r.memo << (type == 225 ? QStringLiteral("запрос ") + kindName(kind) : QStringLiteral("запрос"));
        const bool answered = send(io, !olderPair(type));
        const QString done = QStringLiteral("калибровка по ") + kindName(kind) + QStringLiteral(" температуре успешно завершена");
        if (type == 225) {
            double s = 0, t = 0;
            // No status byte: a refusal is silence.
            if (!answered || !soundReply(io, id, 6) || !valueAt(io, 5, s) || !valueAt(io, 9, t)) {
                say(false, QStringLiteral("Нет связи или не замкнута перемычка"));
            } else if (std::fabs(s - points[0]) < 1 && std::fabs(t - points[1]) < 1) {
                r.shown[0] = r.shown[1] = QStringLiteral("норма");
                r.memo << QStringLiteral("ответ ") + kindName(kind);
                r.memo += byteLines(io);
                say(true, done);
            } else {
                r.shown[0] = real(s);
                r.shown[1] = real(t);
                say(false, QStringLiteral("измеренная температура отличается от заданной больше, чем на 1 градус"));
            }
        } else if (!answered || !soundReply(io, id, 7)) {
            say(false, kNoLink);
        } else {
            const int status = io.at(5);
            const int channels = type == 227 ? 2 : 4;
            std::array<double, 4> got{};
            std::array<bool, 4> has{};
            for (int i = 0; i < channels; ++i) {
                has[size_t(i)] = valueAt(io, 6 + 4 * i, got[size_t(i)]);
                if (has[size_t(i)])
                    r.shown[size_t(i)] = status == 0 && type != 227 ? QStringLiteral("норма") : real(got[size_t(i)]);
            }
            // The channel a refusal names, and its measurement where the
            // reply holds it.
            auto measured = [&](int st) { return has[size_t(st - 2)] ? real(got[size_t(st - 2)]) : QString(); };
            if (status == 0) {
                say(true, done);
            } else if (status == 1) {
                r.shown = {};
                say(false, kJumper);
            } else if (type == 227 && (status == 2 || status == 3)) {
                say(false, (status == 2 ? QStringLiteral("t°C подачи=") : QStringLiteral("t°C обратки="))
                                + measured(status) + QStringLiteral(" - отличается больше, чем на 1°C"));
            } else if (type != 227 && status >= 2 && status <= 5 && twoSystems(type)) {
                say(false, (status % 2 == 0 ? QStringLiteral("t°C подачи ") : QStringLiteral("t°C обратки "))
                                + QString::number(status / 2) + QStringLiteral("-й системы=") + measured(status)
                                + QStringLiteral(" - отличается больше, чем на 1 °C"));
            } else if (type != 227 && (status == 2 || status == 3)) {
                say(false, (status == 2 ? QStringLiteral("t°C подачи=") : QStringLiteral("t°C обратки="))
                                + measured(status) + QStringLiteral(" - отличается больше, чем на 1 °C"));
            } else if (type != 227 && (status == 4 || status == 5)) {
                say(false, QStringLiteral("Код %1 не оопознан").arg(status));
            }
            // Any other status leaves the waiting text: the device said
            // nothing the program knows.
        }
    } else {
        // The pressure inputs answer at once: the operator's wait serves.
        QList<int> channels;
        if (all) {
            for (int c = 2; c <= (twoSystems(type) ? 5 : 3); ++c)
                channels << c;
        } else {
            channels << channel;
        }
        for (int c : channels) {
            m_ui.statusBusy(channelName(type, c) + QStringLiteral(" Идет калибровка. Ждите..."));
            Tab data(5);
            data.set(0, c);
            PutF(data, 1, points[size_t(c - 2)]);
            Tab io = SQ(id, Q_Cal, data);
            r.memo << QStringLiteral("запрос");
            ChannelOutcome outcome;
            outcome.channel = c;
            if (!send(io, true) || !soundReply(io, id, 7)) {
                outcome.text = kNoLink;
                r.channels << outcome;
                say(false, kNoLink);
                continue;
            }
            outcome.answered = true;
            const int status = io.at(5);
            double got = 0;
            const bool has = valueAt(io, 6, got);
            const QString current = has ? Format(u"%.5f", {got}) : QString();
            if (status == 0) {
                r.shown[size_t(c - 2)] = current;
                outcome.measured = current;
                outcome.ok = true;
                outcome.text = QStringLiteral("калибровка по давлению успешно завершена");
            } else if (status == 1) {
                outcome.text = kJumper;
            } else {
                r.shown[size_t(c - 2)] = current;
                outcome.measured = current;
                outcome.text = QStringLiteral("ток=") + current + QStringLiteral(" - отличается больше, чем на 1 мА");
            }
            r.channels << outcome;
            say(outcome.ok, outcome.text);
        }
        // One channel says its own outcome; a run over several succeeds
        // only when each channel did, and otherwise names those that did
        // not, so a channel out of tolerance is never hidden behind the
        // success of the one after it.
        if (r.channels.size() > 1) {
            QStringList failed;
            for (const ChannelOutcome &o : r.channels)
                if (!o.ok)
                    failed << channelName(type, o.channel).trimmed() + QStringLiteral(": ") + o.text;
            if (!failed.isEmpty())
                say(false, failed.join(QStringLiteral("; ")));
        }
    }
    m_road.setReplyTimeout(operatorWait);
    if (m_ui.memoVisible())
        m_ui.memoAppend(r.memo.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    if (!memoFile.isEmpty())
        writeLines(QDir(traceFolder()).filePath(memoFile), r.memo);
    return r;
}

} // namespace pim
