#include "CtlRunner.h"

#include "devices/ArhCodec.h"
#include "devices/ParamCodec.h"
#include "devices/ParamTexts.h"
#include "devices/ParamTwoSystem.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchiveView.h"
#include "workflows/ConfigReading.h"
#include "workflows/Identity.h"
#include "workflows/IdentityCheck.h"
#include "workflows/LinkRoad.h"
#include "workflows/StateReading.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <QSocketNotifier>

#include <csignal>
#include <limits>
#include <cstdio>
#include <unistd.h>

using namespace pim;

namespace pimctl {

namespace {

const char *const kUsage =
    "usage: pimctl [global options] COMMAND [command options]\n"
    "global options:\n"
    "  --port PATH            serial device\n"
    "  --baud N               line rate (9600)\n"
    "  --parity none|odd|even|mark|space\n"
    "  --data-bits 5..8       (8)\n"
    "  --stop-bits 1|1.5|2    (1)\n"
    "  --timeout MS           reply time-out (2000)\n"
    "  --udp HOST:PORT        a UDP line converter instead of --port\n"
    "  --imitation TYPE       the built-in imitation, no link\n"
    "  --type T --number N    system mode: the identity set by hand\n"
    "  --json                 JSON on stdout\n"
    "  --help                 this text\n"
    "commands:\n"
    "  identify\n"
    "  state\n"
    "  config\n"
    "  archive --kind daily|hourly [--diff] [--system 1|2]\n"
    "          [--range day|week|workweek|decade|month|prevmonth|all|records]\n"
    "          [--from YYYY-MM-DD --to YYYY-MM-DD] [--out FILE.Arh] [--csv FILE]\n"
    "  decode identity|state|config|archive --type T --number N HEX...\n"
    "  frame --type T --number N --code C [--data HEX...]\n"
    "  load --type T FILE.Arh\n"
    "exit status: 0 done, 1 the device or the link failed (the status text\n"
    "on stderr), 2 a usage error\n";

bool toInt(const QString &s, int &v, int lo, int hi)
{
    bool ok = false;
    const int x = s.toInt(&ok);
    if (!ok || x < lo || x > hi)
        return false;
    v = x;
    return true;
}

QJsonArray jsonList(const QStringList &l)
{
    QJsonArray a;
    for (const QString &s : l)
        a.append(s);
    return a;
}

QStringList stateLabels(const StateCodec &codec, int count)
{
    QStringList labels;
    const auto &items = codec.view().items;
    for (int i = 0; i < count; ++i) {
        QString l = i < items.size() ? items[i].label : QString();
        if (l.isEmpty() && i < items.size())
            l = (items[i].row1 + QLatin1Char(' ') + items[i].row2).simplified();
        labels << l;
    }
    return labels;
}

QStringList paramLabels(const ParamCodec &codec, int count)
{
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels << QString();
    const QList<QStringList> header = codec.gridHeader();
    const QList<int> columns = codec.gridColumns();
    for (int j = 0; j < columns.size(); ++j) {
        const int v = columns[j];
        if (v < 0 || v >= count || !labels[v].isEmpty())
            continue;
        QString l;
        for (const QStringList &row : header)
            if (j < row.size())
                l += QLatin1Char(' ') + row[j];
        labels[v] = l.simplified();
    }
    // The contractual block (its flags word and six values) has no grid
    // column; the page's own captions name it.
    const auto *two = dynamic_cast<const ParamCodecTwo *>(&codec);
    if (two && ParamCodecTwo::layout(two->module()).contractual && count > 18) {
        if (labels[12].isEmpty())
            labels[12] = paramtext::kUseContract.trimmed();
        for (int i = 0; i < 6; ++i)
            if (labels[13 + i].isEmpty())
                labels[13 + i] = paramtext::kContract + paramtext::kContractNames.value(i);
    }
    return labels;
}

QJsonObject systemsJson(const QList<QStringList> &labels, const QList<QStringList> &values)
{
    QJsonArray systems;
    for (int s = 0; s < values.size(); ++s) {
        QJsonObject o;
        o[QStringLiteral("labels")] = jsonList(labels.value(s));
        o[QStringLiteral("values")] = jsonList(values[s]);
        systems.append(o);
    }
    QJsonObject out;
    out[QStringLiteral("type")] = CurrentType();
    out[QStringLiteral("number")] = CurrentNumber();
    out[QStringLiteral("systems")] = systems;
    return out;
}

QString systemsText(const QList<QStringList> &labels, const QList<QStringList> &values)
{
    QString t = ModelName(CurrentType()) + QStringLiteral(" № ") + QString::number(CurrentNumber()) + QLatin1Char('\n');
    for (int s = 0; s < values.size(); ++s) {
        if (values.size() > 1)
            t += QStringLiteral("система ") + QString::number(s + 1) + QStringLiteral(":\n");
        for (int i = 0; i < values[s].size(); ++i) {
            const QString l = labels.value(s).value(i);
            t += QStringLiteral("  ") + (l.isEmpty() ? QString::number(i + 1) : l) + QStringLiteral(": ")
                + values[s][i].trimmed() + QLatin1Char('\n');
        }
    }
    return t;
}

// Ctrl+C during an archive read is "стоп": the signal only writes a byte,
// the event loop that runs every wait hands it to the reader.
int g_stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char b = 1;
    if (g_stopPipe[1] >= 0)
        (void)!::write(g_stopPipe[1], &b, 1);
}

class StopOnSignal {
public:
    explicit StopOnSignal(ArchiveReading &reader)
    {
        if (::pipe(g_stopPipe) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [&reader](QSocketDescriptor fd) {
            char b;
            (void)!::read(int(fd), &b, 1);
            reader.stop();
        });
        m_old = std::signal(SIGINT, onStopSignal);
    }
    ~StopOnSignal()
    {
        if (!m_notifier)
            return;
        std::signal(SIGINT, m_old);
        m_notifier.reset();
        ::close(g_stopPipe[0]);
        ::close(g_stopPipe[1]);
        g_stopPipe[0] = g_stopPipe[1] = -1;
    }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    void (*m_old)(int) = SIG_DFL;
};

bool parseHex(const QStringList &items, Tab &out)
{
    return Tab::fromHex(items.join(QLatin1Char(' ')), out);
}

} // namespace

CtlRunner::CtlRunner() = default;
CtlRunner::~CtlRunner() = default;

int CtlRunner::usage(const QString &why)
{
    QTextStream err(stderr);
    if (!why.isEmpty())
        err << "pimctl: " << why << Qt::endl;
    err << kUsage;
    return Usage;
}

int CtlRunner::help()
{
    QTextStream(stdout) << kUsage;
    return Done;
}

int CtlRunner::fail(const QString &text)
{
    // The failure is the last line on stderr, where a script looks for it;
    // printed once when the status line has just shown it.
    if (text != m_ui.lastLine())
        m_ui.note(text);
    return Failed;
}

void CtlRunner::print(const QJsonObject &json, const QString &text)
{
    QTextStream out(stdout);
    if (m_json)
        out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    else
        out << text;
    out.flush();
}

bool CtlRunner::parseGlobal(const QStringList &args, int &i, QString &why)
{
    auto value = [&](QString &v) {
        if (i + 1 >= args.size()) {
            why = args[i] + QStringLiteral(" needs a value");
            return false;
        }
        v = args[++i];
        return true;
    };
    for (; i < args.size() && args[i].startsWith(QLatin1String("--")); ++i) {
        const QString o = args[i];
        QString v;
        if (o == QLatin1String("--json")) {
            m_json = true;
            continue;
        }
        if (!value(v))
            return false;
        bool ok = true;
        if (o == QLatin1String("--port"))
            m_port = v;
        else if (o == QLatin1String("--baud"))
            ok = toInt(v, m_baud, 1, 4000000);
        else if (o == QLatin1String("--parity")) {
            const QStringList names = {"none", "odd", "even", "mark", "space"};
            m_parity = int(names.indexOf(v));
            ok = m_parity >= 0;
        } else if (o == QLatin1String("--data-bits"))
            ok = toInt(v, m_dataBits, 5, 8);
        else if (o == QLatin1String("--stop-bits")) {
            m_stopBits = v == QLatin1String("1") ? 0 : v == QLatin1String("1.5") ? 1 : v == QLatin1String("2") ? 2 : -1;
            ok = m_stopBits >= 0;
        } else if (o == QLatin1String("--timeout"))
            ok = toInt(v, m_timeout, 1, 600000);
        else if (o == QLatin1String("--udp")) {
            const int colon = int(v.lastIndexOf(QLatin1Char(':')));
            m_udpHost = v.left(colon);
            ok = colon > 0 && toInt(v.mid(colon + 1), m_udpPort, 1, 65535);
        } else if (o == QLatin1String("--imitation"))
            // Only a served type: the imitation of any other would answer
            // with an identity no command can serve.
            ok = toInt(v, m_imitation, kMinTypeCode, kMaxTypeCode) && typeInfo(m_imitation);
        else if (o == QLatin1String("--type"))
            ok = m_typeSet = toInt(v, m_type, 0, 255);
        else if (o == QLatin1String("--number"))
            // Any integer: system mode answers an impossible number with its
            // own text, as the window does.
            ok = m_numberSet = toInt(v, m_number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        else {
            why = QStringLiteral("unknown option ") + o;
            return false;
        }
        if (!ok) {
            why = QStringLiteral("bad value for ") + o + QStringLiteral(": ") + v;
            return false;
        }
    }
    return true;
}

bool CtlRunner::setupLink(QString &why)
{
    // One road to the device: a second one given would be silently ignored.
    if (int(m_imitation >= 0) + int(!m_udpHost.isEmpty()) + int(!m_port.isEmpty()) > 1) {
        why = QStringLiteral("--port, --udp and --imitation exclude each other");
        return false;
    }
    m_engine = std::make_unique<ExchangeEngine>();
    m_road = std::make_unique<LinkRoad>(*m_engine, [this] { identify(); });
    registerImitationGenerators();
    TCommPortDriver &port = m_engine->port();
    port.setInputTimeout(quint32(m_timeout));
    if (m_imitation >= 0) {
        m_engine->setImitator(&imitator());
        m_engine->setImitation(true);
    } else if (!m_udpHost.isEmpty()) {
        m_engine->setNetworkActive(true);
        m_engine->setNetworkAddress(m_udpHost, m_udpPort);
    } else if (!m_port.isEmpty()) {
        port.setPortName(m_port);
        port.setBaudRate(brCustom);
        port.setBaudRateValue(quint32(m_baud));
        port.setParity(TParity(m_parity));
        port.setDataBits(TDataBits(m_dataBits - 5));
        port.setStopBits(TStopBits(m_stopBits));
        // The port check of the window: the identity command needs it.
        if (!port.OpenPort()) {
            m_ui.note(m_port + QStringLiteral(": ") + port.lastError());
            m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
            why = QStringLiteral("НЕТ СВЯЗИ");
            m_linkFailed = true;
            return false;
        }
        m_portChecked = true;
    } else {
        why = QStringLiteral("one of --port, --udp or --imitation is needed");
        return false;
    }
    if (m_typeSet || m_numberSet) {
        if (!m_typeSet || !m_numberSet) {
            why = QStringLiteral("--type and --number go together");
            return false;
        }
        const IdentityCheck::Hand h = IdentityCheck::setByHand(m_number, ModelName(m_type));
        if (!h.ok || CurrentType() != m_type) {
            why = h.ok ? QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА") : h.status;
            return false;
        }
        m_ui.statusOk(h.status);
    }
    return true;
}

// The identity command of the window, on the command line's status.
void CtlRunner::identify()
{
    IdentityCommand command(*m_engine, m_ui);
    command.portChecked = m_portChecked;
    if (m_imitation >= 0)
        command.ImitType = m_imitation;
    command.AreadNoTuExecute(0);
}

bool CtlRunner::identityKnown()
{
    return IdentityCheck::ensure(*m_road);
}

int CtlRunner::run(const QStringList &args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h")))
        return help();
    int i = 0;
    QString why;
    if (!parseGlobal(args, i, why))
        return usage(why);
    if (i >= args.size())
        return usage(QStringLiteral("no command"));
    const QString cmd = args[i++];
    const QStringList rest = args.mid(i);
    if (cmd == QLatin1String("decode"))
        return cmdDecode(rest);
    if (cmd == QLatin1String("frame"))
        return cmdFrame(rest);
    if (cmd == QLatin1String("load"))
        return cmdLoad(rest);
    if (cmd != QLatin1String("identify") && cmd != QLatin1String("state") && cmd != QLatin1String("config")
        && cmd != QLatin1String("archive"))
        return usage(QStringLiteral("unknown command ") + cmd);
    if (cmd != QLatin1String("archive") && !rest.isEmpty())
        return usage(QStringLiteral("unexpected ") + rest.first());
    if (!setupLink(why))
        return m_linkFailed ? fail(why) : usage(why);
    if (cmd == QLatin1String("identify"))
        return cmdIdentify();
    if (cmd == QLatin1String("state"))
        return cmdState();
    if (cmd == QLatin1String("config"))
        return cmdConfig();
    return cmdArchive(rest);
}

int CtlRunner::cmdIdentify()
{
    // System mode sets the identity by hand and asks the device nothing.
    if (!m_typeSet)
        identify();
    if (CurrentType() < 0 || CurrentNumber() < 0)
        return fail(m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_ui.lastFailure());
    QJsonObject o;
    o[QStringLiteral("type")] = CurrentType();
    o[QStringLiteral("number")] = CurrentNumber();
    o[QStringLiteral("model")] = ModelName(CurrentType());
    print(o, QStringLiteral("тип: %1 (%2)\nномер: %3\n").arg(CurrentType()).arg(ModelName(CurrentType())).arg(CurrentNumber()));
    return Done;
}

int CtlRunner::cmdState()
{
    if (!identityKnown())
        return fail(m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_ui.lastFailure());
    StateReading reading(*m_road, m_ui);
    const StateReading::Result r = reading.read(0);
    if (!r.ok)
        return fail(m_ui.lastFailure());
    const TypeInfo *info = typeInfo(CurrentType());
    const StateCodec &codec = moduleFor(CurrentType())->state();
    QList<QStringList> values, labels;
    for (const StateTab &tab : info->stateTabs) {
        values << codec.SLfromState(tab.system);
        labels << stateLabels(codec, int(values.last().size()));
    }
    print(systemsJson(labels, values), systemsText(labels, values));
    return Done;
}

int CtlRunner::cmdConfig()
{
    if (!identityKnown())
        return fail(m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_ui.lastFailure());
    ConfigReading reading(*m_road, m_ui);
    const ConfigReading::Result r = reading.read();
    if (!r.ok)
        return fail(m_ui.lastFailure());
    const ParamCodec &codec = moduleFor(CurrentType())->param();
    QList<QStringList> labels;
    for (const QStringList &v : r.systems)
        labels << paramLabels(codec, int(v.size()));
    print(systemsJson(labels, r.systems), systemsText(labels, r.systems));
    return Done;
}

int CtlRunner::cmdArchive(const QStringList &args)
{
    QString kindName, rangeName = QStringLiteral("all"), out, csv;
    QDate from, to;
    bool diff = false;
    int system = 1;
    for (int i = 0; i < args.size(); ++i) {
        const QString o = args[i];
        if (o == QLatin1String("--diff")) {
            diff = true;
            continue;
        }
        if (i + 1 >= args.size())
            return usage(o + QStringLiteral(" needs a value"));
        const QString v = args[++i];
        if (o == QLatin1String("--kind"))
            kindName = v;
        else if (o == QLatin1String("--system")) {
            if (!toInt(v, system, 1, 2))
                return usage(QStringLiteral("--system is 1 or 2"));
        } else if (o == QLatin1String("--range"))
            rangeName = v;
        else if (o == QLatin1String("--from"))
            from = QDate::fromString(v, Qt::ISODate);
        else if (o == QLatin1String("--to"))
            to = QDate::fromString(v, Qt::ISODate);
        else if (o == QLatin1String("--out"))
            out = v;
        else if (o == QLatin1String("--csv"))
            csv = v;
        else
            return usage(QStringLiteral("unknown option ") + o);
        if ((o == QLatin1String("--from") && !from.isValid()) || (o == QLatin1String("--to") && !to.isValid()))
            return usage(QStringLiteral("bad date ") + v);
    }
    if (kindName != QLatin1String("daily") && kindName != QLatin1String("hourly"))
        return usage(QStringLiteral("--kind daily|hourly is needed"));
    const int item = ArchiveRange::itemByName(rangeName);
    if (item < 0)
        return usage(QStringLiteral("unknown range ") + rangeName);
    if (from.isValid() != to.isValid())
        return usage(QStringLiteral("--from and --to go together"));
    const int kind = (kindName == QLatin1String("daily") ? 0 : 2) + (diff ? 1 : 0);

    if (!identityKnown())
        return fail(m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_ui.lastFailure());
    const int type = CurrentType();
    const TypeInfo *info = typeInfo(type);
    if (!info || !info->hasArchive())
        return fail(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFpim.AreadArhExecute: ") + QString::number(type));
    int tabIndex = -1;
    for (int t = 0; t < info->arhTabs.size(); ++t)
        if (info->arhTabs[t].kind == kind && info->arhTabs[t].system == system)
            tabIndex = t;
    // A single-system type has no system 2: its system 1 under the name of
    // system 2 would be a wrong answer.
    if (tabIndex < 0)
        return usage(ModelName(type) + QStringLiteral(" has no heating system ") + QString::number(system));

    ArchiveRange range;
    const QDate today = QDate::currentDate();
    const ArchiveRange::Outcome o = range.choose(item, today, kind, type);
    if (!o.statusFail.isEmpty())
        return fail(o.statusFail);
    if (from.isValid()) {
        // The pickers: never after today.
        range.setBegin(qMin(from, today));
        range.setEnd(qMin(to, today));
    }
    ArchiveReading reader(*m_road, m_ui, range);
    ArchiveReading::Result r;
    {
        StopOnSignal stop(reader);
        r = reader.read(kind);
    }
    ArchiveView view(m_ui, range);
    const ArchiveView::Grid g = view.build(type, tabIndex);

    // A read without a record replaces no file; one that did not read the
    // whole range saves what it read and says so.
    QString saveError;
    const QString partial = r.partial() ? QStringLiteral(" (архив неполный: ") + r.status + QLatin1Char(')') : QString();
    const QString nothing = QStringLiteral(": ничего не записано, в архиве нет ни одной записи за выбранные дни (")
        + r.status + QLatin1Char(')');
    if (!out.isEmpty() && g.ok) {
        const ArchiveView::Saved s = view.save(type, CurrentNumber(), tabIndex, out);
        if (s.nothing)
            saveError = QStringLiteral("файл ") + out + nothing;
        else if (!s.ok)
            saveError = QStringLiteral("файл ") + out + QStringLiteral(": ") + s.error;
        else
            m_ui.note(QStringLiteral("записан ") + out + partial);
    }
    if (!csv.isEmpty() && g.ok) {
        const QString err = g.records == 0 ? QString() : ArchiveView::saveCsv(type, g, csv);
        if (g.records == 0)
            saveError = QStringLiteral("файл ") + csv + nothing;
        else if (!err.isEmpty())
            saveError = QStringLiteral("файл ") + csv + QStringLiteral(": ") + err;
        else
            m_ui.note(QStringLiteral("записан ") + csv + partial);
    }

    QJsonObject j;
    j[QStringLiteral("type")] = type;
    j[QStringLiteral("number")] = CurrentNumber();
    j[QStringLiteral("kind")] = kind;
    j[QStringLiteral("system")] = g.system;
    QJsonArray header, rows, gaps;
    QString text = ModelName(type) + QStringLiteral(" № ") + QString::number(CurrentNumber()) + QStringLiteral(", ")
        + info->arhTabs[tabIndex].caption + QLatin1Char('\n');
    for (int row = 0; row < g.cells.size(); ++row) {
        (row < 2 ? header : rows).append(jsonList(g.cells[row]));
        if (row >= 2)
            gaps.append(g.gap(row));
        text += g.cells[row].join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    j[QStringLiteral("header")] = header;
    j[QStringLiteral("rows")] = rows;
    // One flag per row: a difference taken across missing records.
    j[QStringLiteral("gap")] = gaps;
    j[QStringLiteral("partial")] = r.partial();
    j[QStringLiteral("missing")] = r.missing;
    j[QStringLiteral("misordered")] = r.misordered;
    j[QStringLiteral("status")] = r.status;
    text += r.status + QLatin1Char('\n');
    print(j, text);
    if (!r.ran)
        return fail(m_ui.lastFailure().isEmpty() ? r.status : m_ui.lastFailure());
    if (r.linkLost || r.failed) {
        if (!saveError.isEmpty())
            m_ui.note(saveError); // the read's own failure stays the last line
        return fail(r.status);
    }
    if (!saveError.isEmpty())
        return fail(saveError);
    return Done;
}

int CtlRunner::cmdDecode(const QStringList &args)
{
    if (args.isEmpty())
        return usage(QStringLiteral("decode what?"));
    const QString what = args.first();
    int i = 1;
    QString why;
    QStringList rest = args.mid(1);
    int k = 0;
    if (!parseGlobal(rest, k, why))
        return usage(why);
    rest = rest.mid(k);
    Q_UNUSED(i);
    Tab reply;
    if (rest.isEmpty() || !parseHex(rest, reply) || reply.isEmpty())
        return usage(QStringLiteral("reply bytes as hex are needed"));
    // A refusal: the decoder's exact text as JSON on stdout, or as the
    // failure text on stderr.
    auto refuse = [this](const QString &error) {
        if (!m_json)
            return fail(error);
        QJsonObject o;
        o[QStringLiteral("error")] = error;
        print(o, QString());
        return int(Failed);
    };
    if (what == QLatin1String("identity")) {
        int number = -1, type = -1;
        const QString err = DecNoTu(reply, number, type);
        if (!err.isEmpty())
            return refuse(err);
        SetCurrentIdentity(type, number);
        QJsonObject o;
        o[QStringLiteral("type")] = type;
        o[QStringLiteral("number")] = number;
        o[QStringLiteral("model")] = ModelName(type);
        print(o, QStringLiteral("тип: %1 (%2)\nномер: %3\n").arg(type).arg(ModelName(type)).arg(number));
        return Done;
    }
    if (!m_typeSet || !m_numberSet)
        return usage(QStringLiteral("--type and --number are needed"));
    if (m_number < 0 || m_number > 65535)
        return usage(QStringLiteral("bad value for --number: ") + QString::number(m_number));
    const Identity id{m_type, m_number};
    SetCurrentIdentity(m_type, m_number);
    DeviceModule *module = moduleFor(m_type);
    const TypeInfo *info = typeInfo(m_type);
    if (!module || !info)
        return refuse(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
    if (what == QLatin1String("state")) {
        const QString err = module->state().DecState(reply, id);
        if (!err.isEmpty())
            return refuse(err);
        QList<QStringList> values, labels;
        for (const StateTab &tab : info->stateTabs) {
            values << module->state().SLfromState(tab.system);
            labels << stateLabels(module->state(), int(values.last().size()));
        }
        print(systemsJson(labels, values), systemsText(labels, values));
        return Done;
    }
    if (what == QLatin1String("config")) {
        const QString err = module->param().DecParam(reply, id);
        if (!err.isEmpty())
            return refuse(err);
        QList<QStringList> values, labels;
        for (int s = 0; s < qMax(1, info->systems); ++s) {
            values << module->param().SLfromParam(s);
            labels << paramLabels(module->param(), int(values.last().size()));
        }
        print(systemsJson(labels, values), systemsText(labels, values));
        return Done;
    }
    if (what == QLatin1String("archive")) {
        ArhCodec *codec = module->arh();
        if (!codec)
            return refuse(QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"));
        ArhRec rec;
        const QString err = codec->DecArh(reply, rec, id);
        if (!err.isEmpty())
            return refuse(err);
        QJsonArray systems;
        QString text;
        for (int s = 0; s < qMax(1, info->systems); ++s) {
            const QStringList cells = codec->ArhDateCell(rec, s);
            QJsonObject o;
            o[QStringLiteral("cells")] = jsonList(cells);
            systems.append(o);
            text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
        QJsonObject o;
        o[QStringLiteral("error")] = QString();
        o[QStringLiteral("systems")] = systems;
        print(o, text);
        return Done;
    }
    return usage(QStringLiteral("decode identity|state|config|archive"));
}

int CtlRunner::cmdFrame(const QStringList &args)
{
    int type = -1, number = -1, code = -1;
    Tab data;
    for (int i = 0; i < args.size(); ++i) {
        const QString o = args[i];
        if (o == QLatin1String("--data")) {
            QStringList hex;
            while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                hex << args[++i];
            if (!parseHex(hex, data))
                return usage(QStringLiteral("bad hex data"));
            continue;
        }
        if (i + 1 >= args.size())
            return usage(o + QStringLiteral(" needs a value"));
        const QString v = args[++i];
        bool ok = false;
        if (o == QLatin1String("--type"))
            ok = toInt(v, type, 0, 255);
        else if (o == QLatin1String("--number"))
            ok = toInt(v, number, 0, 65535);
        else if (o == QLatin1String("--code"))
            ok = toInt(v, code, 0, 255);
        else
            return usage(QStringLiteral("unknown option ") + o);
        if (!ok)
            return usage(QStringLiteral("bad value for ") + o);
    }
    if (type < 0 || number < 0 || code < 0)
        return usage(QStringLiteral("--type, --number and --code are needed"));
    if (data.size() > kMaxRequestData)
        return usage(QStringLiteral("at most 249 data bytes"));
    const Tab frame = SQ(Identity{type, number}, code, data);
    QTextStream(stdout) << frame.toHex() << Qt::endl;
    return Done;
}

// An archive file read back as the window's "чтение архива" shows it: the
// records of system 1 with the hourly column map.
int CtlRunner::cmdLoad(const QStringList &args)
{
    QStringList rest = args;
    int k = 0;
    QString why;
    if (!parseGlobal(rest, k, why))
        return usage(why);
    rest = rest.mid(k);
    if (rest.size() != 1)
        return usage(QStringLiteral("load --type T FILE.Arh"));
    if (!m_typeSet || !typeInfo(m_type) || !typeInfo(m_type)->hasArchive())
        return usage(QStringLiteral("--type of a type with archives is needed"));
    const QString path = rest.first();
    const ArchiveFiles::Loaded file = ArchiveFiles::load(path);
    if (!file.ok())
        return fail(file.error); // it names the file
    ArchiveRange range;
    ArchiveView view(m_ui, range);
    const ArchiveView::Grid g = view.load(m_type, path);
    if (!g.ok)
        return fail(m_ui.lastFailure());
    QJsonObject j;
    j[QStringLiteral("type")] = m_type;
    QJsonArray header, rows;
    QString text = ModelName(m_type) + QStringLiteral(", ") + path + QLatin1Char('\n');
    for (int row = 0; row < g.cells.size(); ++row) {
        (row < 2 ? header : rows).append(jsonList(g.cells[row]));
        text += g.cells[row].join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    j[QStringLiteral("header")] = header;
    j[QStringLiteral("rows")] = rows;
    j[QStringLiteral("status")] = m_ui.lastStatus();
    print(j, text);
    return Done;
}

} // namespace pimctl
