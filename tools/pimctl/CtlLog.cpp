// pimctl's change log and state polling: `changelog` prints the table the
// window shows for "ЖУИ"; `poll` reads the state again and again and keeps
// every reading in the window's state file and/or a CSV file.

#include "CtlRunner.h"

#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "links/ExchangeEngine.h"
#include "workflows/ChangeLog.h"
#include "workflows/LinkRoad.h"
#include "workflows/StateFile.h"
#include "workflows/StateReading.h"

#include <CLI/CLI.hpp>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

using namespace pim;

namespace pimctl {

namespace {

QJsonArray jsonRow(const QStringList &cells)
{
    QJsonArray a;
    for (const QString &c : cells)
        a.append(c);
    return a;
}

CLI::Option *rangeOption(CLI::App *app, const std::string &name, int &target, int lo, int hi, const std::string &type,
                         const std::string &help)
{
    return app
        ->add_option_function<std::string>(
            name,
            [&target, name, lo, hi](const std::string &v) {
                bool ok = false;
                const int x = QString::fromStdString(v).toInt(&ok);
                if (!ok || x < lo || x > hi)
                    throw CLI::ValidationError(name, "bad value " + v);
                target = x;
            },
            help)
        ->type_name(type);
}

// The state as `pimctl state` prints it: every tab's system with the
// labels of the value panel (the grid's header where a value has none).
QJsonObject stateObject(DeviceSession &session)
{
    const TypeInfo *info = typeInfo(session.type());
    const StateCodec &codec = session.module()->state();
    const auto &items = codec.view().items;
    QJsonArray systems;
    for (const StateTab &tab : info->stateTabs) {
        const QStringList values = codec.SLfromState(tab.system);
        QStringList labels;
        for (int i = 0; i < values.size(); ++i) {
            QString l = i < items.size() ? items[i].label : QString();
            if (l.isEmpty() && i < items.size())
                l = (items[i].row1 + QLatin1Char(' ') + items[i].row2).simplified();
            labels << l;
        }
        QJsonObject o;
        o[QStringLiteral("labels")] = jsonRow(labels);
        o[QStringLiteral("values")] = jsonRow(values);
        systems.append(o);
    }
    QJsonObject out;
    out[QStringLiteral("type")] = session.type();
    out[QStringLiteral("number")] = session.number();
    out[QStringLiteral("systems")] = systems;
    return out;
}

QString isoTime(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

} // namespace

void CtlRunner::addLogCommands(CLI::App &app)
{
    addCommand(app, {"changelog", "changelog",
                     "the change log (types 229, 230, 234..239): every record's configuration with the date and "
                     "time of the change, two rows per record",
                     true, [this] { return cmdChangeLog(); }});

    CLI::App *p = addCommand(app, {"poll", "poll --interval S [--count N] [--system 1|2] [--out FILE] [--csv FILE]",
                                   "reads the state every S seconds (from the end of one reading to the start of the "
                                   "next), one line per reading; a failed reading is said on stderr and tried again at "
                                   "the next period; Ctrl+C or SIGTERM ends it",
                                   true, [this] { return cmdPoll(); }})
                      .app;
    rangeOption(p, "--interval", m_pollInterval, 1, 86400, "S", "seconds between readings")->required();
    rangeOption(p, "--count", m_pollCount, 1, std::numeric_limits<int>::max(), "N",
                "readings to make (without it: until a signal ends the run)");
    rangeOption(p, "--system", m_pollSystem, 1, 2, "1|2", "the heating system whose values the files keep (1)");
    p->add_option("--out", m_pollOut,
                  "the state file of the window: two header rows when created, then one row per reading")
        ->type_name("FILE");
    p->add_option("--csv", m_pollCsv, "a Windows-1251 CSV file with ';' separators and the time of each reading")
        ->type_name("FILE");
}

int CtlRunner::cmdChangeLog()
{
    if (m_typeSet && !ChangeLog::served(m_type))
        return usage(QStringLiteral("the change log is kept by types ") + ChangeLog::servedText() + QStringLiteral(", not ")
                     + QString::number(m_type));
    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    if (!ChangeLog::served(m_session.type()))
        return usage(QStringLiteral("the change log is kept by types ") + ChangeLog::servedText()
                     + QStringLiteral(", the device is of type ") + QString::number(m_session.type()));
    ChangeLog log(*m_road, m_ui, m_session);
    const ChangeLog::Result r = log.read();
    for (const QString &s : r.skipped)
        m_ui.note(s);
    if (!r.answered)
        return linkFailure();

    const QList<QStringList> header = ChangeLog::header();
    QJsonObject o;
    o[QStringLiteral("type")] = m_session.type();
    o[QStringLiteral("number")] = m_session.number();
    QJsonArray h, rows;
    for (const QStringList &row : header)
        h.append(jsonRow(row));
    for (const QStringList &row : r.rows)
        rows.append(jsonRow(row));
    o[QStringLiteral("header")] = h;
    o[QStringLiteral("rows")] = rows;
    // Slots no change was written to, and records still missing after
    // being asked again (each with its reason).
    o[QStringLiteral("erased")] = r.erased;
    QJsonArray skipped;
    for (const QString &s : r.skipped)
        skipped.append(s);
    o[QStringLiteral("skipped")] = skipped;
    QString text;
    for (const QStringList &row : header + r.rows)
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    if (!print(o, text))
        return Failed;
    if (!r.ok()) {
        // The table is out, but not whole: said last, and the exit says so.
        m_ui.note(m_ui.lastFailure());
        return Failed;
    }
    return Done;
}

int CtlRunner::cmdPoll()
{
    if (!m_pollOut.empty() && !m_pollCsv.empty()
        && QFileInfo(QString::fromStdString(m_pollOut)).absoluteFilePath()
            == QFileInfo(QString::fromStdString(m_pollCsv)).absoluteFilePath())
        return usage(QStringLiteral("--out and --csv name the same file"));
    // A one-system type has no system 2: said before anything is read when
    // the type is given, else at the first reading, before anything is kept.
    auto noSecondSystem = [this](int type) {
        const TypeInfo *info = typeInfo(type);
        return m_pollSystem == 2 && info && info->systems < 2;
    };
    auto systemUsage = [this](int type) {
        return usage(ModelName(type) + QStringLiteral(" has no heating system ") + QString::number(m_pollSystem));
    };
    if (m_typeSet && noSecondSystem(m_type))
        return systemUsage(m_type);
    if (const int rc = openLink(); rc >= 0)
        return rc;
    const QString out = QString::fromStdString(m_pollOut);
    const QString csv = QString::fromStdString(m_pollCsv);
    bool anyFailed = false;
    for (int n = 0; m_pollCount == 0 || n < m_pollCount; ++n) {
        if (n > 0) {
            // The period runs from the end of one reading to the start of
            // the next; a signal ends the wait at once.
            const qint64 until = m_waiter.now() + qint64(m_pollInterval) * 1000;
            while (!CtlSignals::received() && !m_waiter.interrupted() && m_waiter.now() < until)
                m_waiter.wait(int(until - m_waiter.now()));
        }
        if (CtlSignals::received())
            break;
        StateReading reading(*m_road, m_ui, m_session);
        const StateReading::Result r = reading.read(0);
        const QDateTime when = QDateTime::currentDateTime();
        if (CtlSignals::received())
            break; // a reading cut off by the signal is no failed reading
        if (!r.ok) {
            anyFailed = true;
            m_ui.note(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + CtlUi::terminalText(m_ui.lastStatus()));
            continue;
        }
        if (noSecondSystem(m_session.type()))
            return systemUsage(m_session.type());
        const DeviceModule *module = m_session.module();
        const TypeInfo *info = typeInfo(m_session.type());
        // A one-system type has only system 1 to show.
        const int system = info && info->systems > 1 ? m_pollSystem - 1 : 0;
        const QList<QStringList> grid = StateFile::gridRows(module->state(), system);

        // A file that cannot be written ends the run at once: a poll that
        // records nothing is no poll (a device that does not answer is
        // asked again at the next period instead).
        QString why;
        if (!out.isEmpty() && !StateFile::append(out, grid[0], grid[1], grid[2], &why))
            return fail(why, false);
        if (!csv.isEmpty()) {
            QStringList names{QStringLiteral("время")};
            for (int c = 0; c < grid[0].size(); ++c)
                names << (grid[0][c] + QLatin1Char(' ') + grid[1][c]).simplified();
            if (!StateFile::appendCsv(csv, names, QStringList{isoTime(when)} + grid[2], &why))
                return fail(why, false);
        }
        QByteArray line;
        if (m_json) {
            QJsonObject o = stateObject(m_session);
            o[QStringLiteral("time")] = isoTime(when);
            line = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
        } else {
            line = (isoTime(when) + QLatin1Char('\t') + grid[2].join(QLatin1Char('\t'))).toUtf8() + '\n';
        }
        if (!writeStdout(line))
            return Failed;
    }
    return anyFailed ? Failed : Done;
}

} // namespace pimctl
