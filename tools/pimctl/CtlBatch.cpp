// pimctl batch: many calculators from a list, each read in its own process
// (its own device session and link), calculators on different links at the
// same time and those sharing a link one after another, so that a link
// never carries two exchanges at once. The archives are stored as the
// window stores them, in the device folders below DIR.

#include "CtlRunner.h"
#include "CtlBatchList.h"

#include "base/DataPath.h"
#include "base/TextFile.h"
#include "devices/Registry.h"
#include "links/PhoneBook.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchiveView.h"
#include "workflows/LinkRoad.h"
#include "workflows/StateFile.h"
#include "workflows/StateReading.h"

#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <cstdio>
#include <map>
#include <memory>

using namespace pim;

namespace pimctl {

namespace {

const QString kOk = QStringLiteral("ok");
const QString kFailed = QStringLiteral("failed");

struct Kinds {
    bool state = false, daily = false, hourly = false;
};

bool parseKinds(const QString &s, Kinds &k, QString &why)
{
    const QStringList words = s.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        why = QStringLiteral("--kinds names nothing");
        return false;
    }
    for (const QString &w : words) {
        const QString t = w.trimmed();
        if (t == QLatin1String("state"))
            k.state = true;
        else if (t == QLatin1String("daily"))
            k.daily = true;
        else if (t == QLatin1String("hourly"))
            k.hourly = true;
        else {
            why = QStringLiteral("--kinds: unknown kind %1 (state, daily, hourly)").arg(t);
            return false;
        }
    }
    return true;
}

// A worker's line on stdout: a step ("step\t...") or the result (JSON).
void workerStep(const QString &text)
{
    const QByteArray b = "step\t" + text.toUtf8() + '\n';
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fflush(stdout);
}

QString csvCell(QString s)
{
    s.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (s.contains(QLatin1Char(';')) || s.contains(QLatin1Char('"')))
        s = QLatin1Char('"') + s.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return s;
}

} // namespace

void CtlRunner::addBatchCommand(CLI::App &app)
{
    CLI::App *b = addCommand(
        app, {"batch",
              "batch LIST [--out DIR] [--kinds state,daily,hourly] [--range R] [--parallel N]",
              "reads every calculator of LIST (lines name;link;type;number, link a serial port, udp:HOST:PORT or "
              "dial:ENTRY; type and number empty to ask the device; UTF-8 or Windows-1251; # starts a comment): "
              "the state appended to состояние.csv and the archives stored as the window stores them, with a CSV "
              "each, in ДАННЫЕ/АРХИВЫ/<model>/<number>/ below DIR; then a summary on stdout and in DIR/summary.csv. "
              "A failed calculator does not stop the others. Exit 0 when every calculator succeeded, 1 otherwise, "
              "2 for a malformed LIST",
              false, [this] { return cmdBatch(); }})
                       .app;
    b->add_option("list", m_batchList, "the list of calculators")->required()->type_name("LIST");
    b->add_option_function<std::string>(
         "--out",
         [this](const std::string &v) {
             m_batchOut = v;
             m_batchOutGiven = true;
         },
         "the folder of the files (the program's data folder)")
        ->type_name("DIR");
    b->add_option("--kinds", m_batchKinds, "what to read (state,daily,hourly)")->type_name("KINDS");
    b->add_option("--range", m_batchRange, "the range choice of the archive page (all)")
        ->type_name("day|week|...|all")
        ->check(CLI::Validator(
            [](std::string &v) {
                return ArchiveRange::itemByName(QString::fromStdString(v)) >= 0 ? std::string() : "unknown range " + v;
            },
            ""));
    b->add_option("--parallel", m_batchParallel, "calculators read at once (one per distinct link)")
        ->type_name("N")
        ->check(CLI::Range(0, 1000));
    b->add_option("--only", m_batchOnly,
                  "reads line N alone in this process and writes its steps and a JSON result to stdout (what each "
                  "calculator of a batch runs)")
        ->type_name("N")
        ->check(CLI::Range(1, 1000000));
}

int CtlRunner::cmdBatch()
{
    const QString listPath = QString::fromStdString(m_batchList);
    QByteArray bytes;
    QString err;
    if (!readFileBytes(listPath, bytes, &err))
        return usage(listPath + QStringLiteral(": ") + err);
    Kinds kinds;
    if (!parseKinds(QString::fromStdString(m_batchKinds), kinds, err))
        return usage(err);
    if (m_batchOutGiven && m_batchOut.empty())
        return usage(QStringLiteral("--out names no folder"));

    // Every line is checked before any calculator is read: a list with a
    // typing mistake reads nothing.
    std::vector<BatchLine> lines;
    if (!parseBatchList(bytes, listPath, lines, err))
        return usage(err);

    // The phone book is the program's own, wherever --out puts the data.
    m_phoneBook = PhoneBook::defaultPath();
    QString dir = QString::fromStdString(m_batchOut);
    if (!dir.isEmpty()) {
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР ") + dir);
        dir = QFileInfo(dir).absoluteFilePath();
        setProgramFolder(dir);
        // The traces follow the data, unless --trace named their folder.
        if (m_traceDir.isEmpty())
            setTraceFolder(defaultTraceFolder());
    } else {
        dir = programFolder();
    }
    // Every calculator's files and the summary go below DIR: a folder that
    // cannot take a file is said before the first call, not after the
    // last one.
    if (m_batchOnly <= 0) {
        QDir().mkpath(dir);
        QTemporaryFile probe(dir + QStringLiteral("/.pimctl-probe-XXXXXX"));
        if (!probe.open())
            return fail(QStringLiteral("НЕ МОГУ ПИСАТЬ В ДИР ") + dir + QStringLiteral(": ") + probe.errorString());
    }

    if (m_batchOnly > 0) {
        for (const BatchLine &line : lines) {
            if (line.lineNo != m_batchOnly)
                continue;
            m_ui.setProgress(false, false);
            QJsonObject result;
            const int rc = batchOne(line, result);
            const QByteArray b = QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n';
            std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
            std::fflush(stdout);
            return rc;
        }
        return usage(QStringLiteral("%1: line %2 holds no calculator").arg(listPath).arg(m_batchOnly));
    }

    // The links in the order of their first calculator, each with its queue.
    std::vector<QString> keys;
    std::map<QString, std::vector<size_t>> queues;
    PhoneBook book = PhoneBook::defaults();
    if (QFileInfo::exists(m_phoneBook))
        book.load(m_phoneBook);
    for (BatchLine &line : lines) {
        PhoneEntry e;
        if (!line.dialEntry.isEmpty() && book.find(line.dialEntry, &e)) {
            // An entry whose dial the modem would take as commands is a
            // mistake of the list's book: nothing is read.
            if (const QString refused = book.refusal(line.dialEntry); !refused.isEmpty())
                return usage(QStringLiteral("%1:%2: %3").arg(listPath).arg(line.lineNo).arg(refused));
            line.modemPort = e.port.trimmed();
        }
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString k = lines[i].linkKey();
        if (!queues.count(k))
            keys.push_back(k);
        queues[k].push_back(i);
    }
    const int cap = m_batchParallel > 0 ? m_batchParallel : int(keys.size());

    static const QStringList parities{"none", "odd", "even", "mark", "space"};
    static const QStringList stops{"1", "1.5", "2"};
    const QStringList common{QStringLiteral("--out"), dir,
                             QStringLiteral("--kinds"), QString::fromStdString(m_batchKinds),
                             QStringLiteral("--range"), QString::fromStdString(m_batchRange),
                             QStringLiteral("--timeout"), QString::number(m_timeout),
                             QStringLiteral("--baud"), QString::number(m_baud),
                             QStringLiteral("--parity"), parities.value(m_parity),
                             QStringLiteral("--data-bits"), QString::number(m_dataBits),
                             QStringLiteral("--stop-bits"), stops.value(m_stopBits),
                             QStringLiteral("--trace"), traceFolder(),
                             QStringLiteral("--quiet")};
    const QString absList = QFileInfo(listPath).absoluteFilePath();

    std::vector<QJsonObject> results(lines.size());
    std::vector<bool> done(lines.size(), false);
    size_t nextKey = 0;
    int running = 0;
    QEventLoop loop;
    QTextStream errOut(stderr);
    std::vector<std::unique_ptr<QProcess>> procs;
    bool stopping = false;

    std::function<void(const QString &)> startNext;
    auto startLine = [&](const QString &key, size_t index) {
        const BatchLine &line = lines[index];
        auto proc = std::make_unique<QProcess>();
        QProcess *p = proc.get();
        procs.push_back(std::move(proc));
        auto buffer = std::make_shared<QByteArray>();
        auto errBuffer = std::make_shared<QByteArray>();
        ++running;
        QObject::connect(p, &QProcess::readyReadStandardOutput, p, [&, p, index, buffer] {
            buffer->append(p->readAllStandardOutput());
            int nl;
            while ((nl = int(buffer->indexOf('\n'))) >= 0) {
                const QString l = QString::fromUtf8(buffer->left(nl));
                buffer->remove(0, nl + 1);
                if (l.startsWith(QLatin1String("step\t"))) {
                    if (!m_quiet)
                        errOut << lines[index].name << ": " << l.mid(5) << Qt::endl;
                } else if (l.startsWith(QLatin1Char('{'))) {
                    results[index] = QJsonDocument::fromJson(l.toUtf8()).object();
                }
            }
        });
        QObject::connect(p, &QProcess::readyReadStandardError, p,
                         [p, errBuffer] { errBuffer->append(p->readAllStandardError()); });
        QObject::connect(p, &QProcess::finished, p, [&, p, key, index, errBuffer](int code, QProcess::ExitStatus st) {
            QJsonObject &r = results[index];
            if (r.isEmpty()) {
                // No result: the worker died; its last words say why.
                errBuffer->append(p->readAllStandardError());
                const QStringList errLines = QString::fromUtf8(*errBuffer).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                r[QStringLiteral("name")] = lines[index].name;
                r[QStringLiteral("type")] = lines[index].type;
                r[QStringLiteral("number")] = lines[index].number;
                r[QStringLiteral("status")] = kFailed;
                r[QStringLiteral("text")] = st == QProcess::CrashExit
                    ? QStringLiteral("чтение прервано")
                    : (errLines.isEmpty() ? QStringLiteral("код выхода %1").arg(code) : errLines.last());
                r[QStringLiteral("files")] = QJsonArray();
            }
            if (r[QStringLiteral("status")].toString() != kOk)
                errOut << lines[index].name << ": ошибка: " << r[QStringLiteral("text")].toString() << Qt::endl;
            done[index] = true;
            --running;
            startNext(key);
        });
        // A worker that cannot be started never finishes: said here.
        QObject::connect(p, &QProcess::errorOccurred, p, [&, p, key, index](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart)
                return;
            QJsonObject &r = results[index];
            r[QStringLiteral("name")] = lines[index].name;
            r[QStringLiteral("type")] = lines[index].type;
            r[QStringLiteral("number")] = lines[index].number;
            r[QStringLiteral("status")] = kFailed;
            r[QStringLiteral("text")] = p->errorString();
            r[QStringLiteral("files")] = QJsonArray();
            errOut << lines[index].name << ": ошибка: " << p->errorString() << Qt::endl;
            done[index] = true;
            --running;
            startNext(key);
        });
        QStringList args{QStringLiteral("batch"), absList, QStringLiteral("--only"), QString::number(line.lineNo)};
        p->start(QCoreApplication::applicationFilePath(), args + common);
    };
    // The next calculator of the link that just finished, or of the next
    // link waiting for a place.
    startNext = [&](const QString &finishedKey) {
        if (!stopping && !finishedKey.isEmpty() && !queues[finishedKey].empty()) {
            const size_t index = queues[finishedKey].front();
            queues[finishedKey].erase(queues[finishedKey].begin());
            startLine(finishedKey, index);
            return;
        }
        while (!stopping && running < cap && nextKey < keys.size()) {
            const QString k = keys[nextKey++];
            const size_t index = queues[k].front();
            queues[k].erase(queues[k].begin());
            startLine(k, index);
        }
        if (running == 0)
            loop.quit();
    };
    m_signals.onSignal = [&](int) {
        stopping = true;
        for (const auto &p : procs)
            if (p->state() != QProcess::NotRunning)
                p->terminate();
    };
    startNext(QString());
    if (running > 0)
        loop.exec();

    // The summary in the list's order; calculators never started (a signal)
    // are said as such.
    QJsonArray devices;
    QStringList csv{QStringLiteral("имя;тип;номер;итог;текст;файлы")};
    QString table;
    bool allOk = true;
    for (size_t i = 0; i < lines.size(); ++i) {
        QJsonObject r = results[i];
        if (!done[i] || r.isEmpty()) {
            r[QStringLiteral("name")] = lines[i].name;
            r[QStringLiteral("type")] = lines[i].type;
            r[QStringLiteral("number")] = lines[i].number;
            r[QStringLiteral("status")] = kFailed;
            r[QStringLiteral("text")] = interruptedText();
            r[QStringLiteral("files")] = QJsonArray();
        }
        const bool ok = r[QStringLiteral("status")].toString() == kOk;
        allOk = allOk && ok;
        devices.append(r);
        QStringList files;
        for (const QJsonValue &f : r[QStringLiteral("files")].toArray())
            files << f.toString();
        const QString type = r[QStringLiteral("type")].toInt(-1) >= 0 ? QString::number(r[QStringLiteral("type")].toInt()) : QString();
        const QString number =
            r[QStringLiteral("number")].toInt(-1) >= 0 ? QString::number(r[QStringLiteral("number")].toInt()) : QString();
        csv << QStringList{csvCell(lines[i].name), type, number, r[QStringLiteral("status")].toString(),
                           csvCell(r[QStringLiteral("text")].toString()), csvCell(files.join(QLatin1Char(' ')))}
                   .join(QLatin1Char(';'));
        table += lines[i].name + QLatin1Char('\t') + type + QLatin1Char('\t') + number + QLatin1Char('\t')
            + r[QStringLiteral("status")].toString() + QLatin1Char('\t') + r[QStringLiteral("text")].toString()
            + QLatin1Char('\n');
        for (const QString &f : files)
            table += QStringLiteral("  ") + f + QLatin1Char('\n');
    }
    QString csvError;
    const QString summary = dir + QStringLiteral("/summary.csv");
    const bool csvOk = writeLines(summary, csv, &csvError);
    QJsonObject o;
    o[QStringLiteral("devices")] = devices;
    const bool printed = print(o, table);
    if (!csvOk) {
        m_ui.note(QStringLiteral("файл ") + summary + QStringLiteral(": ") + csvError);
        return Failed;
    }
    if (CtlSignals::received())
        return interrupted();
    return printed && allOk ? Done : Failed;
}

// One calculator, in this process: identity, state and archives as --kinds
// names them. `result` is the summary's entry.
int CtlRunner::batchOne(const BatchLine &line, QJsonObject &result)
{
    QJsonArray files;
    result[QStringLiteral("name")] = line.name;
    result[QStringLiteral("type")] = line.type;
    result[QStringLiteral("number")] = line.number;
    const auto finish = [&](bool ok, const QString &text) {
        result[QStringLiteral("type")] = m_session.type() >= 0 ? m_session.type() : line.type;
        result[QStringLiteral("number")] = m_session.number() >= 0 ? m_session.number() : line.number;
        result[QStringLiteral("status")] = ok ? kOk : kFailed;
        result[QStringLiteral("text")] = text;
        result[QStringLiteral("files")] = files;
        return ok ? Done : Failed;
    };
    const auto failure = [&] {
        return m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : CtlUi::terminalText(m_ui.lastFailure());
    };

    Kinds kinds;
    QString why;
    parseKinds(QString::fromStdString(m_batchKinds), kinds, why);

    // A phone-book entry gives the modem's port and the number to dial; the
    // call is hung up when this worker ends, as after any command.
    m_entry = line.dialEntry;
    m_dialNumber.clear();
    m_port = line.port;
    m_udpHost = line.udpHost;
    m_udpPort = line.udpPort;
    m_imitation = -1;
    m_typeSet = m_numberSet = line.type >= 0;
    m_type = line.type;
    m_number = line.number;
    workerStep(QStringLiteral("связь ") + line.link);
    if (!setupLink(why))
        return finish(false, m_linkFailed ? (m_linkError.isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_linkError) : why);
    workerStep(QStringLiteral("опознание"));
    if (!identityKnown())
        return finish(false, failure());
    const int type = m_session.type();
    const int number = m_session.number();
    const TypeInfo *info = typeInfo(type);
    if (!info)
        return finish(false, QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
    workerStep(ModelName(type) + QStringLiteral(" № ") + QString::number(number));
    const QString folder = ArchiveFiles::deviceFolder(type, number);

    QStringList problems;
    if (kinds.state) {
        workerStep(QStringLiteral("состояние"));
        StateReading reading(*m_road, m_ui, m_session);
        const StateReading::Result r = reading.read(0);
        if (!r.ok)
            return finish(false, failure());
        // The device folder once something is read: a calculator that never
        // answered leaves no empty folder behind.
        const QStringList notMade = ArchiveFiles::makeDeviceFolder(type, number);
        if (!notMade.isEmpty())
            return finish(false, notMade.join(QStringLiteral("; ")));
        const QString when = QDateTime::currentDateTime().toString(Qt::ISODate);
        for (int s = 0; s < qMax(1, info->systems); ++s) {
            const QList<QStringList> grid = StateFile::gridRows(m_session.module()->state(), s);
            QStringList names{QStringLiteral("время")};
            for (int c = 0; c < grid.value(0).size(); ++c)
                names << (grid[0][c] + QLatin1Char(' ') + grid.value(1).value(c)).simplified();
            const QString path = folder + (s == 0 ? QStringLiteral("/состояние.csv")
                                                  : QStringLiteral("/состояние_система%1.csv").arg(s + 1));
            if (!StateFile::appendCsv(path, names, QStringList{when} + grid.value(2), &why))
                problems << why;
            else
                files.append(path);
        }
    }

    const int item = ArchiveRange::itemByName(QString::fromStdString(m_batchRange));
    const QList<int> archiveKinds = QList<int>() << (kinds.daily ? 0 : -1) << (kinds.hourly ? 2 : -1);
    for (const int kind : archiveKinds) {
        if (kind < 0 || !info->hasArchive())
            continue;
        if (CtlSignals::received())
            return finish(false, interruptedText());
        workerStep(kind == 0 ? QStringLiteral("суточный архив") : QStringLiteral("часовой архив"));
        ArchiveRange range;
        const ArchiveRange::Outcome o = range.choose(item, QDate::currentDate(), kind, type);
        if (!o.statusFail.isEmpty())
            return finish(false, o.statusFail);
        ArchiveReading reader(*m_road, m_ui, range, m_session);
        m_reader = &reader;
        const ArchiveReading::Result r = reader.read(kind);
        m_reader = nullptr;
        ArchiveView view(m_ui, range, m_session);
        const QDateTime now = QDateTime::currentDateTime();
        // Whatever was read is stored, also from a read that failed half
        // way; the failure is still the calculator's result.
        for (int t = 0; t < info->arhTabs.size(); ++t) {
            if (info->arhTabs[t].kind != kind)
                continue;
            const ArchiveView::Grid g = view.build(type, t);
            if (!g.ok || g.records == 0)
                continue;
            const QString path = view.proposedPath(type, number, t, now);
            const ArchiveView::Saved s = view.save(type, number, t, path);
            if (!s.ok) {
                problems << QStringLiteral("файл ") + path + QStringLiteral(": ") + s.error;
                continue;
            }
            files.append(path);
            files.append(ArchiveFiles::companionName(path));
            const QString csv = path.left(path.size() - QFileInfo(path).suffix().size()) + QStringLiteral("csv");
            const QString e = view.saveCsv(type, g, csv);
            if (!e.isEmpty())
                problems << QStringLiteral("файл ") + csv + QStringLiteral(": ") + e;
            else
                files.append(csv);
        }
        if (CtlSignals::received())
            return finish(false, interruptedText());
        if (!r.ran || r.linkLost || r.failed)
            return finish(false, r.ran ? r.status : failure());
        if (r.partial())
            problems << QStringLiteral("архив неполный: ") + r.status;
    }
    if (!problems.isEmpty())
        return finish(false, problems.join(QStringLiteral("; ")));
    workerStep(QStringLiteral("готово"));
    return finish(true, QStringLiteral("готово"));
}

} // namespace pimctl
