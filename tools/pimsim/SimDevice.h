#pragma once
// The simulated calculator: identity, state, configuration, daily and hourly
// rings, change log, calibration and the maintenance commands. It takes one
// request frame and gives the reply frame (empty: the device stays silent,
// as a real one does for frames that are not for it or that it cannot use).

#include "SimLayouts.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QRandomGenerator64>

#include <array>
#include <functional>

namespace pimsim {

struct DeviceOptions {
    int type = 229;
    int number = 1;
    quint64 seed = 1;
    int archiveDays = -1;     // days of history; -1: the daily ring and ten days more
    QDate archiveStart;       // first archive day; overrides archiveDays
    bool jumperClosed = true; // service jumper
    bool passwordMismatch = false;
    qint64 clockOffsetSecs = 0; // device clock minus the computer's
    int calibrationFault = 0;   // 2..5: that channel measures off its set-point
    int deviceError = 0;        // error codes shown in state and archive
    int systemError = 0;
};

class SimDevice {
public:
    // `systemNow` is the computer's clock (tests pass a fixed one).
    explicit SimDevice(const DeviceOptions &options, std::function<QDateTime()> systemNow = {});

    // One request frame (already checked for length and checksum by the
    // line) -> the reply, or empty for silence.
    QByteArray handle(const QByteArray &frame);

    int type() const { return m_info.type; }
    int number() const { return m_number; }
    const TypeInfo &info() const { return m_info; }
    QDateTime deviceNow() const;
    QDate archiveStart() const { return m_archiveStart; }
    // The record numbers the device reports (newest slot + 1; 0 when empty).
    int reportedDaily() const;
    int reportedHourly() const;
    const QByteArray &config() const { return m_config; }

    // The model behind the frames, per field and system, before the frame
    // narrows it to its encodings: the values of the last state reply, and
    // those of the record a ring slot holds (false for a slot never written).
    using Values = std::array<std::array<double, 2>, int(Field::Count)>;
    const Values &lastStateValues() const { return m_lastState; }
    bool archiveRecord(bool daily, int slot, Values &v, QDate &date, int &hour);
    // Type 128: the configuration and the pulse counts of the last state reply.
    int modification128() const { return m_mod128; }
    const std::array<int, 4> &weights128() const { return m_weights128; }
    const std::array<qint32, 4> &lastPulses128() const { return m_lastPulses128; }

    void setJumperClosed(bool closed) { m_opt.jumperClosed = closed; }
    void setPasswordMismatch(bool on) { m_opt.passwordMismatch = on; }

    // What a client wrote (number, configuration, clock, resets, cleared
    // rings, change log) so that it survives a restart.
    QJsonObject saveState() const;
    bool loadState(const QJsonObject &state, QString *error);
    // Called after every command that changed what saveState() holds.
    void setOnChanged(std::function<void()> f) { m_onChanged = std::move(f); }

private:
    bool addressedToMe(const QByteArray &f) const;
    QByteArray header(int length, int code) const;
    QByteArray bareReply(int code) const; // the sealed 6-byte header
    QByteArray statusReply(int code, int status) const;
    int writeStatus() const; // 0, 1 jumper open, 2 password mismatch
    void changed();

    QByteArray identityReply() const;
    QByteArray stateReply(int code);
    QByteArray state128(int code);
    QByteArray paramReply() const;
    QByteArray arhNoReply() const;
    QByteArray archiveReply(const QByteArray &req);
    QByteArray changeLogReply(const QByteArray &req) const;
    QByteArray calibrationReply(const QByteArray &req);
    QByteArray setParam(const QByteArray &req);
    QByteArray setParam128(const QByteArray &req);
    QByteArray setNumber128(const QByteArray &req);
    QByteArray setNumber(const QByteArray &req);
    QByteArray setTime(const QByteArray &req);
    QByteArray clearArchives(const QByteArray &req);

    // Model time: hours since commissioning, on the device clock.
    double modelHours(const QDateTime &t) const;
    double unit(int sys, int k, qint64 h) const; // deterministic [0, 1)
    double rawCounter(int sys, int k, double x) const;
    double counter(int sys, int k, double x) const;
    double lastReset(const QList<double> &resets, double x) const;
    void fillValues(Values &v, double xEnd, double xStart, qint64 hourKey, bool live);
    void writeLayout(QByteArray &frame, const Layout &layout, const Values &v) const;
    double gauss(double sigma);

    // Rings: period index of today / this hour, restart index, newest slot.
    qint64 dayIndexNow() const;
    qint64 hourIndexNow() const;
    static int newestSlot(qint64 now, qint64 restart, int depth);

    void appendChangeLog();

    DeviceOptions m_opt;
    TypeInfo m_info;
    int m_number = 1;
    QByteArray m_config;
    qint64 m_clockOffset = 0;
    QDate m_archiveStart;
    QDate m_commission;
    QList<double> m_counterResets;
    QList<double> m_opResets;
    qint64 m_dailyRestart = 0;
    qint64 m_hourlyRestart = 0;
    int m_mod128 = 4;
    std::array<int, 4> m_weights128{0, 0, 0, 0};
    std::array<qint32, 4> m_lastPulses128{0, 0, 0, 0};
    Values m_lastState{};
    QList<QByteArray> m_changeLog; // 33 records of 40 data bytes
    int m_changeNext = 0;
    mutable QRandomGenerator64 m_rng;
    std::function<QDateTime()> m_systemNow;
    std::function<void()> m_onChanged;
};

} // namespace pimsim
