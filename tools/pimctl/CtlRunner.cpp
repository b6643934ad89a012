#include "CtlRunner.h"
#include "CtlRoads.h"

#include "base/DataPath.h"
#include "base/Dates.h"
#include "devices/ArhCodec.h"
#include "devices/ParamCodec.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"
#include "links/ModemDialer.h"
#include "protocol/Frame.h"
#include "protocol/Imitation.h"
#include "workflows/ArchiveFiles.h"
#include "workflows/ArchiveRange.h"
#include "workflows/ArchiveReading.h"
#include "workflows/ArchivePlot.h"
#include "workflows/ArchiveView.h"
#include "workflows/Calibration.h"
#include "workflows/Maintenance.h"
#include "workflows/ConfigEdits.h"
#include "workflows/ConfigReading.h"
#include "workflows/Identity.h"
#include "workflows/IdentityCheck.h"
#include "workflows/LinkRoad.h"
#include "workflows/StateReading.h"

#include <CLI/CLI.hpp>

#include <QDate>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>
#include <unistd.h>

#ifndef PIM_VERSION
#define PIM_VERSION "unknown"
#endif

using namespace pim;

namespace pimctl {

namespace {

const char *const kFooter =
    "exit status: 0 done; 1 the device, the link or a file failed (the status\n"
    "text is the last line on stderr; with --json {\"error\", \"status\"} on stdout\n"
    "too); 2 a usage error; 130 / 143 stopped by SIGINT / SIGTERM (\"чтение\n"
    "прервано\"; an archive read closes the read on the device and keeps what\n"
    "it read)\n";

} // namespace

// The readings' trace files below the data folder, never in whatever folder
// pimctl is run from (a home, a repository, a cron job's folder).
QString CtlRunner::defaultTraceFolder()
{
    return DataPath({QStringLiteral("ДАННЫЕ"), QStringLiteral("ТРАССА")});
}

namespace {

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

// `units`, when given: per system and value the unit after the number
// (" л/имп", " имп/л", or empty).
QJsonObject systemsJson(const Identity &id, const QList<QStringList> &labels, const QList<QStringList> &values,
                        const QList<QStringList> &units = {})
{
    QJsonArray systems;
    for (int s = 0; s < values.size(); ++s) {
        QJsonObject o;
        o[QStringLiteral("labels")] = jsonList(labels.value(s));
        o[QStringLiteral("values")] = jsonList(values[s]);
        if (s < units.size()) {
            QStringList trimmed;
            for (const QString &u : units[s])
                trimmed << u.trimmed();
            o[QStringLiteral("units")] = jsonList(trimmed);
        }
        systems.append(o);
    }
    QJsonObject out;
    out[QStringLiteral("type")] = id.type;
    out[QStringLiteral("number")] = id.number;
    out[QStringLiteral("systems")] = systems;
    return out;
}

QList<QStringList> configUnits(const ParamCodec &codec, const QList<QStringList> &systems)
{
    QList<QStringList> units;
    for (int s = 0; s < systems.size(); ++s) {
        QStringList u;
        for (int i = 0; i < systems[s].size(); ++i)
            u << codec.listUnit(s, i);
        units << u;
    }
    return units;
}

QString systemsText(const Identity &id, const QList<QStringList> &labels, const QList<QStringList> &values,
                    const QList<QStringList> &units = {})
{
    QString t = ModelName(id.type) + QStringLiteral(" № ") + QString::number(id.number) + QLatin1Char('\n');
    for (int s = 0; s < values.size(); ++s) {
        if (values.size() > 1)
            t += QStringLiteral("система ") + QString::number(s + 1) + QStringLiteral(":\n");
        for (int i = 0; i < values[s].size(); ++i) {
            const QString l = labels.value(s).value(i);
            t += QStringLiteral("  ") + (l.isEmpty() ? QString::number(i + 1) : l) + QStringLiteral(": ")
                + values[s][i].trimmed() + units.value(s).value(i) + QLatin1Char('\n');
        }
    }
    return t;
}

// Two names of one file: the same path once made absolute, or the same
// file reached through a link.
bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.absoluteFilePath() == fb.absoluteFilePath())
        return true;
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

// The help of pimctl and of each command: its usage line, description and
// options, then the global options and the list of commands.
class CtlHelp : public CLI::Formatter {
public:
    std::map<std::string, std::string> synopsis;

    CtlHelp() { column_width(26); }

    std::string make_option_opts(const CLI::Option *opt) const override
    {
        return opt->get_type_size() != 0 && !opt->get_type_name().empty() ? " " + opt->get_type_name() : std::string();
    }

    std::string make_help(const CLI::App *app, std::string, CLI::AppFormatMode) const override
    {
        const CLI::App *root = app;
        while (root->get_parent())
            root = root->get_parent();
        const bool command = app != root;
        std::ostringstream out;
        out << "usage: pimctl [global options] "
            << (command ? synopsis.at(app->get_name()) : std::string("COMMAND [command options]")) << "\n";
        out << app->get_description() << "\n";
        const auto named = [](const CLI::Option *o) { return !o->get_positional(); };
        if (command) {
            const auto opts = app->get_options([&](const CLI::Option *o) { return named(o) && o != app->get_help_ptr(); });
            if (!opts.empty()) {
                out << "options:\n";
                for (const CLI::Option *o : opts)
                    out << make_option(o, false);
            }
        }
        out << "global options (before or after the command):\n";
        for (const CLI::Option *o : root->get_options(named))
            out << make_option(o, false);
        out << "commands (pimctl COMMAND --help tells more):\n";
        for (const CLI::App *sub : root->get_subcommands({}))
            out << "  " << synopsis.at(sub->get_name()) << "\n";
        out << root->get_footer();
        return out.str();
    }
};

// An integer option, decimal only (08 is eight, not a fault of octal).
CLI::Option *intOption(CLI::App *app, const std::string &name, int &target, int lo, int hi, const std::string &type,
                       const std::string &help, bool *set = nullptr)
{
    return app
        ->add_option_function<std::string>(
            name,
            [&target, set, name, lo, hi](const std::string &v) {
                if (!toInt(QString::fromStdString(v), target, lo, hi))
                    throw CLI::ValidationError(name, "bad value " + v);
                if (set)
                    *set = true;
            },
            help)
        ->type_name(type);
}

// One of a list of words; the index in `target`.
CLI::Option *choiceOption(CLI::App *app, const std::string &name, const QStringList &words, int &target,
                          const std::string &help)
{
    return app
        ->add_option_function<std::string>(
            name,
            [&target, words, name](const std::string &v) {
                target = int(words.indexOf(QString::fromStdString(v)));
                if (target < 0)
                    throw CLI::ValidationError(name, "bad value " + v + " (" + words.join('|').toStdString() + ")");
            },
            help)
        ->type_name(words.join('|').toStdString());
}

CLI::Validator isoDate()
{
    return CLI::Validator(
        [](std::string &v) {
            return QDate::fromString(QString::fromStdString(v), Qt::ISODate).isValid() ? std::string()
                                                                                        : "bad date " + v;
        },
        "");
}

} // namespace

CtlRunner::CtlRunner()
{
    m_ui.setSession(&m_session);
}
CtlRunner::~CtlRunner() = default;

// ------------------------------------------------------------- command line

void CtlRunner::addGlobalOptions(CLI::App &app)
{
    app.add_option_function<std::string>(
           "--port", [this](const std::string &v) { m_port = QString::fromStdString(v); },
           "serial device (a pimsim pseudo-terminal too)")
        ->type_name("PATH");
    intOption(&app, "--baud", m_baud, 1, 4000000, "N", "line rate (9600)");
    choiceOption(&app, "--parity", {"none", "odd", "even", "mark", "space"}, m_parity, "(none)");
    intOption(&app, "--data-bits", m_dataBits, 5, 8, "5..8", "(8)");
    choiceOption(&app, "--stop-bits", {"1", "1.5", "2"}, m_stopBits, "(1)");
    intOption(&app, "--timeout", m_timeout, 1, 600000, "MS",
              "reply time-out (2000); over UDP the wait for the reply after each send, "
              "which is sent again when it runs out");
    app.add_option_function<std::string>(
           "--udp",
           [this](const std::string &v) {
               const QString s = QString::fromStdString(v);
               const int colon = int(s.lastIndexOf(QLatin1Char(':')));
               m_udpHost = s.left(colon).trimmed();
               if (colon <= 0 || m_udpHost.isEmpty() || !toInt(s.mid(colon + 1), m_udpPort, 1, 65535))
                   throw CLI::ValidationError("--udp", "HOST:PORT is needed, not " + v);
           },
           "a UDP line converter instead of --port")
        ->type_name("HOST:PORT");
    app.add_option_function<std::string>(
           "--imitation",
           [this](const std::string &v) {
               // Only a served type: the imitation of any other would answer
               // with an identity no command can serve.
               if (!toInt(QString::fromStdString(v), m_imitation, kMinTypeCode, kMaxTypeCode) || !typeInfo(m_imitation))
                   throw CLI::ValidationError("--imitation", "not a served type: " + v);
           },
           "the built-in imitation of a served type, no link")
        ->type_name("TYPE");
    intOption(&app, "--type", m_type, 0, 255, "T", "system mode: the identity set by hand (with --number)", &m_typeSet);
    // Any integer: system mode answers an impossible number with its own
    // text, as the window does.
    intOption(&app, "--number", m_number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), "N",
              "the device number of system mode", &m_numberSet);
    app.add_flag("--json", m_json, "JSON on stdout");
    app.add_flag("--quiet", m_quiet, "no progress lines (status texts and errors still on stderr)");
    app.add_option_function<std::string>(
           "--trace",
           [this](const std::string &v) {
               if (v.empty())
                   throw CLI::ValidationError("--trace", "a folder is needed");
               m_traceDir = QFileInfo(QString::fromStdString(v)).absoluteFilePath();
           },
           "the folder of the trace and dump files (" + defaultTraceFolder().toStdString() + ")")
        ->type_name("DIR");
    // Modem: --dial, --pulse, --entry, --dial-timeout (CtlModem.cpp).
    addModemOptions(app);
}

CtlRunner::Command &CtlRunner::addCommand(CLI::App &app, Command c)
{
    auto command = std::make_unique<Command>(std::move(c));
    command->app = app.add_subcommand(command->name, command->description);
    static_cast<CtlHelp *>(app.get_formatter().get())->synopsis[command->name] = command->synopsis;
    m_commands.push_back(std::move(command));
    return *m_commands.back();
}

void CtlRunner::addCommands(CLI::App &app)
{
    addCommand(app, {"identify", "identify", "the device's type and number; with --type and --number checked against them",
                     true, [this] { return cmdIdentify(); }});
    addCommand(app, {"state", "state", "the current state, one entry per heating system", true,
                     [this] { return cmdState(); }});
    addCommand(app, {"config", "config", "the configuration, one entry per heating system", true,
                     [this] { return cmdConfig(); }});

    CLI::App *a = addCommand(app, {"archive",
                                   "archive --kind daily|hourly [--diff] [--system 1|2]\n"
                                   "          [--range day|week|workweek|decade|month|prevmonth|all|records]\n"
                                   "          [--from YYYY-MM-DD --to YYYY-MM-DD] [--out FILE.Arh] [--csv FILE]\n"
                                   "          [--png FILE.png [--png-size WxH]]",
                                   "reads an archive as the window shows it; Ctrl+C stops the read and keeps what "
                                   "was read",
                                   true, [this] { return cmdArchive(); }})
                      .app;
    a->add_option("--kind", m_kind, "daily or hourly")
        ->type_name("daily|hourly")
        ->required()
        ->check(CLI::Validator(
            [](std::string &v) { return v == "daily" || v == "hourly" ? std::string() : "bad value " + v; }, ""));
    a->add_flag("--diff", m_diff, "differences and totals instead of the cumulative values");
    intOption(a, "--system", m_system, 1, 2, "1|2", "heating system (1)");
    a->add_option("--range", m_range, "the range choice of the archive page (all)")
        ->type_name("day|week|workweek|decade|month|prevmonth|all|records")
        ->check(CLI::Validator(
            [](std::string &v) {
                return ArchiveRange::itemByName(QString::fromStdString(v)) >= 0 ? std::string() : "unknown range " + v;
            },
            ""));
    a->add_option("--from", m_from, "first day, not after --to")->type_name("YYYY-MM-DD")->check(isoDate());
    a->add_option("--to", m_to, "last day, not after today")->type_name("YYYY-MM-DD")->check(isoDate());
    a->add_option("--out", m_out, "an archive file, with its companion .txt beside it")->type_name("FILE.Arh");
    a->add_option("--csv", m_csv, "the grid as Windows-1251 CSV with ISO dates")->type_name("FILE");
    a->add_option("--png", m_png, "the plot of the archive (heat, volumes, temperatures) as a picture")
        ->type_name("FILE.png");
    a->add_option("--png-size", m_pngSize, "the picture's size in pixels (1200x800)")
        ->type_name("WxH")
        ->check(CLI::Validator(
            [](std::string &v) {
                static const QRegularExpression re(QStringLiteral("^([0-9]{3,4})x([0-9]{3,4})$"));
                return re.match(QString::fromStdString(v)).hasMatch() ? std::string()
                                                                       : "a size of 100x100 to 9999x9999, not " + v;
            },
            ""));

    CLI::App *d = addCommand(app, {"decode", "decode identity|state|config|archive --type T --number N HEX...",
                                   "one reply decoded without a link (hex bytes in either case, 6 or 06)", false,
                                   [this] { return cmdDecode(); }})
                      .app;
    d->add_option("what", m_what, "identity, state, config or archive")
        ->required()
        ->check(CLI::Validator(
            [](std::string &v) {
                return v == "identity" || v == "state" || v == "config" || v == "archive"
                    ? std::string()
                    : "decode identity|state|config|archive, not " + v;
            },
            ""));
    d->add_option("hex", m_hex, "the reply bytes");

    CLI::App *f = addCommand(app, {"frame", "frame --type T --number N --code C [--data HEX...]",
                                   "the request frame as upper-case hex bytes", false, [this] { return cmdFrame(); }})
                      .app;
    intOption(f, "--code", m_code, 0, 255, "C", "command code");
    f->add_option("--data", m_data, "data bytes")->type_name("HEX...")->expected(0, -1);

    // Reports: the archive report drawn from the template set, as a PDF and
    // as recorded pages.
    CLI::App *rp = addCommand(app, {"report",
                                    "report --kind daily|hourly [--diff] [--system 1|2]\n"
                                    "          (--archive FILE.Arh | [--range ...] [--from YYYY-MM-DD --to YYYY-MM-DD])\n"
                                    "          [--pdf OUT.pdf] [--templates DIR]",
                                    "prints an archive (a saved file, or read from the device first) through the "
                                    "report templates: a PDF and/or the drawn pages as JSON",
                                    true, [this] { return cmdReport(); }})
                       .app;
    rp->add_option("--kind", m_kind, "daily or hourly")
        ->type_name("daily|hourly")
        ->required()
        ->check(CLI::Validator(
            [](std::string &v) { return v == "daily" || v == "hourly" ? std::string() : "bad value " + v; }, ""));
    rp->add_flag("--diff", m_diff, "differences and totals instead of the cumulative values");
    intOption(rp, "--system", m_system, 1, 2, "1|2", "heating system (1)");
    rp->add_option("--archive", m_reportArchive, "a saved archive file instead of reading the device (needs --type)")
        ->type_name("FILE.Arh");
    rp->add_option("--range", m_range, "the range choice of the archive page (all)")
        ->type_name("day|week|workweek|decade|month|prevmonth|all|records")
        ->check(CLI::Validator(
            [](std::string &v) {
                return ArchiveRange::itemByName(QString::fromStdString(v)) >= 0 ? std::string() : "unknown range " + v;
            },
            ""));
    rp->add_option("--from", m_from, "first day, not after --to")->type_name("YYYY-MM-DD")->check(isoDate());
    rp->add_option("--to", m_to, "last day, not after today")->type_name("YYYY-MM-DD")->check(isoDate());
    rp->add_option("--pdf", m_reportPdf, "the report as a PDF file")->type_name("OUT.pdf");
    rp->add_option("--templates", m_reportTemplates, "the folder of the template files (ДАННЫЕ/ПЕЧАТЬ)")
        ->type_name("DIR");

    CLI::App *l = addCommand(app, {"load", "load --type T FILE.Arh", "an archive file read back as the window loads it",
                                   false, [this] { return cmdLoad(); }})
                      .app;
    l->add_option("file", m_file, "the archive file")->required();

    // Commands that change the calculator: each asks as the window's dialog
    // does, on the terminal, unless --yes answers for a script.
    struct Change {
        const char *name, *synopsis, *description;
    };
    const Change changes[] = {
        {"set-time", "set-time [--yes]", "sets the device clock to the computer's"},
        {"set-number", "set-number N [--yes]", "gives the device the serial number N (1..65535)"},
        {"init", "init [--yes]", "initialises the device: resets its accumulating counters"},
        {"zero-time", "zero-time [--yes]", "restarts the count of the operating time"},
        {"clear-archives", "clear-archives [--yes]", "clears both archives of the device"},
    };
    for (const Change &c : changes) {
        const QString name = QString::fromLatin1(c.name);
        CLI::App *m = addCommand(app, {c.name, c.synopsis, c.description, true,
                                       [this, name] { return cmdMaintenance(name); }})
                          .app;
        m->add_flag("--yes", m_yes, "do it without asking");
        if (name == QLatin1String("set-number"))
            intOption(m, "number", m_newNumber, 1, 65535, "N", "the new number")->required();
    }

    addConsoleCommands(app);

    CLI::App *w = addCommand(app, {"write-config",
                                   "write-config [--system 1|2] [--default] --set LABEL=VALUE ... [--yes]",
                                   "reads the configuration, changes the values named as config labels them, "
                                   "checks them as the configuration page does and writes them",
                                   true, [this] { return cmdWriteConfig(); }})
                      .app;
    intOption(w, "--system", m_system, 1, 2, "1|2", "the heating system the values are for (default 1)");
    w->add_flag("--default", m_defaults, "start from the type's default configuration");
    w->add_option("--set", m_sets, "a value as config prints it, e.g. --set \"отч день=25\"")
        ->type_name("LABEL=VALUE");
    w->add_flag("--yes", m_yes, "do it without asking");

    CLI::App *c = addCommand(app, {"calibrate",
                                   "calibrate --kind low|high|pressure [--points A,B,C,D]\n"
                                   "          [--channel 2..5 | --all] [--yes]",
                                   "calibrates the temperature channels at a lower or higher reference, or the "
                                   "pressure inputs at a reference current",
                                   true, [this] { return cmdCalibrate(); }})
                      .app;
    c->add_option("--kind", m_calKind, "low, high or pressure")
        ->required()
        ->check(CLI::IsMember({"low", "high", "pressure"}));
    c->add_option("--points", m_points,
                  "set points: supply and return of system 1, then of system 2 (pressure: mA of channels 2..5); "
                  "the kind's defaults unless given")
        ->type_name("A,B,C,D");
    intOption(c, "--channel", m_channel, 2, 5, "2..5", "the pressure channel to calibrate");
    c->add_flag("--all", m_allChannels,
                "every pressure channel in turn; the run succeeds only when every channel did, and each "
                "channel's outcome is printed (JSON \"channels\")");
    c->add_flag("--yes", m_yes, "do it without asking");

    // Network: ping (CtlModem.cpp).
    addNetworkCommands(app);
    // Change log and state polling.
    addLogCommands(app);

    // Many calculators from a list.
    addBatchCommand(app);

    // Data carrier files.
    addCarrierCommand(app);
}

int CtlRunner::run(const QStringList &args)
{
    CLI::App app("Reads a ПИМ calculator: identity, state, configuration and archives; status texts and progress "
                 "on stderr, results on stdout.",
                 "pimctl");
    m_app = &app;
    app.formatter(std::make_shared<CtlHelp>());
    // Where the readings' trace and dump files go, said in every help.
    app.footer(kFooter
               + QStringLiteral("trace and dump files (байты состояния, конфигурация.txt, АРХИВ*.txt, байты\n"
                                "архива.txt, байты калибровки.txt) go to --trace DIR, else to\n%1\n")
                     .arg(defaultTraceFolder())
                     .toStdString());
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.set_help_flag("-h,--help", "this text");
    app.set_version_flag("--version", std::string("pimctl ") + PIM_VERSION, "the version");
    // Set before the commands are added, so that each inherits it: global
    // options are taken after the command too.
    app.fallthrough();
    app.require_subcommand(1);
    addGlobalOptions(app);
    addCommands(app);

    std::vector<std::string> argv;
    for (auto it = args.crbegin(); it != args.crend(); ++it)
        argv.push_back(it->toStdString());
    try {
        app.parse(argv);
    } catch (const CLI::CallForHelp &) {
        return writeStdout(QByteArray::fromStdString(app.help())) ? Done : Failed;
    } catch (const CLI::CallForVersion &e) {
        return writeStdout(QByteArray(e.what()) + '\n') ? Done : Failed;
    } catch (const CLI::ParseError &e) {
        return usage(QString::fromStdString(e.what()));
    }
    m_outSet = app.get_subcommand("archive")->count("--out") > 0;
    m_csvSet = app.get_subcommand("archive")->count("--csv") > 0;
    m_pngSet = app.get_subcommand("archive")->count("--png") > 0;
    m_reportPdfSet = app.get_subcommand("report")->count("--pdf") > 0; // reports

    setTraceFolder(m_traceDir.isEmpty() ? defaultTraceFolder() : m_traceDir);
    m_ui.setProgress(!m_quiet, ::isatty(STDERR_FILENO) == 1);
    m_signals.onSignal = [this](int signal) { onSignal(signal); };
    for (const auto &c : m_commands) {
        if (!c->app->parsed())
            continue;
        const int code = c->run();
        // A modem call ends with the command, whatever it did.
        hangUpModem(code);
        if (CtlSignals::received() && code != Usage)
            return interrupted();
        return code;
    }
    return usage(QStringLiteral("no command"));
}

// ------------------------------------------------------------- exits

int CtlRunner::usage(const QString &why)
{
    QTextStream err(stderr);
    if (!why.isEmpty())
        err << "pimctl: " << why << Qt::endl;
    err << QString::fromStdString(m_app ? m_app->help() : std::string());
    return Usage;
}

int CtlRunner::fail(const QString &text, bool jsonToo)
{
    if (CtlSignals::received())
        return interrupted();
    // The failure is the last line on stderr, where a script looks for it;
    // printed once when the status line has just shown it.
    if (text != m_ui.lastLine())
        m_ui.note(text);
    if (m_json && jsonToo && !m_stdoutUsed) {
        QJsonObject o;
        o[QStringLiteral("error")] = m_linkError.isEmpty() ? text : m_linkError;
        o[QStringLiteral("status")] = m_ui.lastStatus().isEmpty() ? text : m_ui.lastStatus();
        print(o, QString());
    }
    return Failed;
}

int CtlRunner::interrupted()
{
    const QString text = interruptedText();
    if (m_json && !m_stdoutUsed) {
        QJsonObject o;
        o[QStringLiteral("error")] = text;
        o[QStringLiteral("status")] = m_ui.lastStatus().isEmpty() ? text : m_ui.lastStatus();
        print(o, QString());
    }
    if (m_ui.lastLine() != text)
        m_ui.note(text);
    return CtlSignals::exitCode();
}

// Inside a wait: the reader stops before its next request, the exchange in
// progress ends now. Outside any command (a host name being looked up) the
// wait itself is interrupted.
void CtlRunner::onSignal(int signal)
{
    Q_UNUSED(signal);
    if (m_reader)
        m_reader->stop();
    if (m_engine && (m_engine->exchanging() || m_engine->commandRunning()))
        m_engine->abort();
    else
        m_waiter.interrupt();
}

bool CtlRunner::print(const QJsonObject &json, const QString &text)
{
    return writeStdout(m_json ? QJsonDocument(json).toJson(QJsonDocument::Indented) : text.toUtf8());
}

bool CtlRunner::writeStdout(const QByteArray &bytes)
{
    m_stdoutUsed = true;
    errno = 0;
    const bool ok = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!ok) {
        const int e = errno;
        m_ui.note(QStringLiteral("результат не записан в stdout: ")
                  + (e ? QString::fromLocal8Bit(std::strerror(e)) : QStringLiteral("ошибка записи")));
    }
    return ok;
}

// ------------------------------------------------------------- the link

bool CtlRunner::setupLink(QString &why)
{
    // Data carrier: the loaded file answers instead of a device.
    if (m_carrier)
        return setupCarrierLink(why);
    // A phone-book entry names the port and the number (CtlModem.cpp).
    if (!takePhoneEntry(why))
        return false;
    // One road to the device: a second one given would be silently ignored.
    if (int(m_imitation >= 0) + int(!m_udpHost.isEmpty()) + int(!m_port.isEmpty()) > 1) {
        why = QStringLiteral("--port, --udp and --imitation exclude each other");
        return false;
    }
    if (m_imitation < 0 && m_udpHost.isEmpty() && m_port.isEmpty()) {
        why = QStringLiteral("one of --port, --udp or --imitation is needed");
        return false;
    }
    if (!checkHandIdentity(why))
        return false;
    m_engine = std::make_unique<ExchangeEngine>();
    m_engine->setStatus(&m_ui);
    m_engine->setWaiter(&m_waiter);
    m_road = std::make_unique<CountingRoad>(*m_engine, [this] { identify(); }, m_ui);
    registerImitationGenerators();
    TCommPortDriver &port = m_engine->port();
    port.setInputTimeout(quint32(m_timeout));
    if (m_imitation >= 0) {
        m_engine->setImitator(&imitator());
        m_engine->setImitation(true);
    } else if (!m_udpHost.isEmpty()) {
        m_engine->setNetworkActive(true);
        m_engine->setNetworkAddress(m_udpHost, m_udpPort);
        if (!resolveConverter())
            return false;
    } else {
        port.setPortName(m_port);
        port.setBaudRate(brCustom);
        port.setBaudRateValue(quint32(m_baud));
        port.setParity(TParity(m_parity));
        port.setDataBits(TDataBits(m_dataBits - 5));
        port.setStopBits(TStopBits(m_stopBits));
        // The port check of the window: the identity command needs it.
        if (!port.OpenPort()) {
            m_linkError = m_port + QStringLiteral(" занят (отсутсвует)");
            m_ui.note(m_linkError);
            m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
            m_linkFailed = true;
            return false;
        }
        m_portChecked = true;
        // Through a modem: the call first (CtlModem.cpp).
        if (!dialModem())
            return false;
    }
    if (m_typeSet)
        m_ui.statusOk(QStringLiteral("номер правильный"));
    return true;
}

// System mode: the identity given by hand, checked as the window's type
// list and number field check it.
bool CtlRunner::checkHandIdentity(QString &why)
{
    if (!m_typeSet && !m_numberSet)
        return true;
    if (!m_typeSet || !m_numberSet) {
        why = QStringLiteral("--type and --number go together");
        return false;
    }
    const IdentityCheck::Hand h = IdentityCheck::setByHand(m_session, m_number, ModelName(m_type));
    if (!h.ok || m_session.type() != m_type) {
        why = h.ok ? QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА") : h.status;
        return false;
    }
    return true;
}

// A converter given by name: a name that does not resolve is said with the
// name, not as a bare "НЕТ СВЯЗИ".
bool CtlRunner::resolveConverter()
{
    if (!QHostAddress(m_udpHost).isNull())
        return true;
    UdpChannel &udp = m_engine->udp();
    udp.setHost(m_udpHost);
    udp.setPort(quint16(m_udpPort));
    if (udp.resolve())
        return true;
    m_linkError = QStringLiteral("преобразователь ") + m_udpHost + QStringLiteral(": имя не найдено");
    m_ui.note(m_linkError);
    m_ui.statusFail(QStringLiteral("НЕТ СВЯЗИ"));
    m_linkFailed = true;
    return false;
}

int CtlRunner::linkFailure()
{
    return fail(m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_ui.lastFailure());
}

// The identity command of the window, on the command line's status.
void CtlRunner::identify()
{
    IdentityCommand command(*m_engine, m_ui, m_session);
    command.portChecked = m_portChecked;
    if (m_imitation >= 0)
        command.ImitType = m_imitation;
    command.AreadNoTuExecute(0);
}

bool CtlRunner::identityKnown()
{
    return IdentityCheck::ensure(*m_road, m_session);
}

// ------------------------------------------------------------- commands

// -1 when the link is ready; otherwise the exit status.
int CtlRunner::openLink()
{
    QString why;
    if (setupLink(why))
        return -1;
    if (m_linkFailed)
        return fail(m_linkFailText.isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : m_linkFailText);
    return usage(why);
}

int CtlRunner::cmdIdentify()
{
    if (const int rc = openLink(); rc >= 0)
        return rc;
    // The device is always asked; an identity given by hand is what its
    // answer is checked against.
    const bool check = m_typeSet;
    if (check)
        m_session.resetIdentity();
    identify();
    if (m_session.type() < 0 || m_session.number() < 0)
        return linkFailure();
    if (check && (m_session.type() != m_type || m_session.number() != m_number))
        return fail(QStringLiteral("ответило устройство %1 № %2, а задано %3 № %4")
                        .arg(ModelName(m_session.type()))
                        .arg(m_session.number())
                        .arg(ModelName(m_type))
                        .arg(m_number));
    QJsonObject o;
    o[QStringLiteral("type")] = m_session.type();
    o[QStringLiteral("number")] = m_session.number();
    o[QStringLiteral("model")] = ModelName(m_session.type());
    if (!print(o, QStringLiteral("тип: %1 (%2)\nномер: %3\n").arg(m_session.type()).arg(ModelName(m_session.type())).arg(m_session.number())))
        return Failed;
    return Done;
}

int CtlRunner::cmdState()
{
    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    StateReading reading(*m_road, m_ui, m_session);
    const StateReading::Result r = reading.read(0);
    if (!r.ok)
        return linkFailure();
    const TypeInfo *info = typeInfo(m_session.type());
    const StateCodec &codec = m_session.module()->state();
    QList<QStringList> values, labels;
    for (const StateTab &tab : info->stateTabs) {
        values << codec.SLfromState(tab.system);
        labels << stateLabels(codec, int(values.last().size()));
    }
    return print(systemsJson(m_session.identity(), labels, values), systemsText(m_session.identity(), labels, values)) ? Done : Failed;
}

int CtlRunner::cmdConfig()
{
    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    ConfigReading reading(*m_road, m_ui, m_session);
    const ConfigReading::Result r = reading.read();
    if (!r.ok)
        return linkFailure();
    const ParamCodec &codec = m_session.module()->param();
    QList<QStringList> labels;
    for (const QStringList &v : r.systems)
        labels << configValueLabels(codec, int(v.size()));
    const QList<QStringList> units = configUnits(codec, r.systems);
    return print(systemsJson(m_session.identity(), labels, r.systems, units),
                 systemsText(m_session.identity(), labels, r.systems, units))
               ? Done
               : Failed;
}

namespace {

bool hasArchive(int type)
{
    const TypeInfo *info = typeInfo(type);
    return info && info->hasArchive();
}

QString noArchiveText(int type)
{
    return QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА TFpim.AreadArhExecute: ") + QString::number(type);
}

} // namespace

int CtlRunner::readArchiveRange(int kind, int type, int rangeItem, QDate today, QDate from, QDate to,
                                ArchiveRange &range, ArchiveReading::Result &r)
{
    const ArchiveRange::Outcome o = range.choose(rangeItem, today, kind, type);
    if (!o.statusFail.isEmpty())
        return fail(o.statusFail);
    if (from.isValid()) {
        range.setBegin(from);
        range.setEnd(to);
    }
    ArchiveReading reader(*m_road, m_ui, range, m_session);
    const qint64 days = range.begin().daysTo(range.end()) + 1;
    const qint64 asked = range.allRecords() ? std::numeric_limits<int>::max()
                                            : qMax<qint64>(1, arhKindIsDaily(kind) ? days : days * 24);
    m_ui.archiveBegin(int(qMin<qint64>(asked, std::numeric_limits<int>::max())));
    m_reader = &reader;
    r = reader.read(kind);
    m_reader = nullptr;
    m_ui.archiveEnd();
    return -1;
}

int CtlRunner::cmdArchive()
{
    const QString rangeName = QString::fromStdString(m_range);
    const int item = ArchiveRange::itemByName(rangeName);
    const int kind = (m_kind == "daily" ? 0 : 2) + (m_diff ? 1 : 0);
    const QDate from = QDate::fromString(QString::fromStdString(m_from), Qt::ISODate);
    const QDate to = QDate::fromString(QString::fromStdString(m_to), Qt::ISODate);
    const QString out = QString::fromStdString(m_out), csv = QString::fromStdString(m_csv);
    const QString png = QString::fromStdString(m_png);
    const QDate today = QDate::currentDate();
    if (from.isValid() != to.isValid())
        return usage(QStringLiteral("--from and --to go together"));
    if (from.isValid() && from > to)
        return usage(QStringLiteral("--from %1 is after --to %2").arg(m_from.c_str(), m_to.c_str()));
    // A day to come has no record yet: a range reaching into it is a typing
    // mistake, not a one-day read.
    if (to.isValid() && to > today)
        return usage(QStringLiteral("--to %1 is after today, %2").arg(m_to.c_str(), today.toString(Qt::ISODate)));
    if ((m_outSet && out.trimmed().isEmpty()) || (m_csvSet && csv.trimmed().isEmpty())
        || (m_pngSet && png.trimmed().isEmpty()))
        return usage(QStringLiteral("an empty file name"));
    if (!png.isEmpty()
        && ((!out.isEmpty() && (sameFile(out, png) || sameFile(ArchiveFiles::companionName(out), png)))
            || (!csv.isEmpty() && sameFile(csv, png))))
        return usage(QStringLiteral("--png %1 is a file another option writes already").arg(png));
    if (!out.isEmpty() && !csv.isEmpty()
        && (sameFile(out, csv) || sameFile(ArchiveFiles::companionName(out), csv)))
        return usage(QStringLiteral("--csv %1 is a file --out writes already").arg(csv));
    // The type is known before the link when it is given.
    const int givenType = m_imitation >= 0 ? m_imitation : m_typeSet ? m_type : -1;
    if (givenType >= 0 && !hasArchive(givenType))
        return usage(noArchiveText(givenType));

    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    const int type = m_session.type();
    const TypeInfo *info = typeInfo(type);
    if (!hasArchive(type))
        return usage(noArchiveText(type));
    const int tabIndex = info->arhTabIndex(kind, m_system);
    // A single-system type has no system 2: its system 1 under the name of
    // system 2 would be a wrong answer.
    if (tabIndex < 0)
        return usage(ModelName(type) + QStringLiteral(" has no heating system ") + QString::number(m_system));

    ArchiveRange range;
    ArchiveReading::Result r;
    if (const int rc = readArchiveRange(kind, type, item, today, from, to, range, r); rc >= 0)
        return rc;
    // A carrier file's erased or damaged slots are no data: out of the grid
    // and the files, counted.
    if (m_carrier && m_session.module() && m_session.module()->arh()) {
        ArhCodec *codec = m_session.module()->arh();
        m_carrierUnreal = codec->dropUnreal(codec->readRecords(kind));
        r.records = int(codec->readRecords(kind).size());
    }
    ArchiveView view(m_ui, range, m_session);
    const ArchiveView::Grid g = view.build(type, tabIndex);

    // A read without a record replaces no file; one that did not read the
    // whole range (stopped, the link gone, records missing) saves what it
    // read and says so: the files say what the JSON says.
    QString saveError;
    const QString partial = r.partial() ? QStringLiteral(" (архив неполный: ") + r.status + QLatin1Char(')') : QString();
    const QString nothing = QStringLiteral(": ничего не записано, в архиве нет ни одной записи за выбранные дни (")
        + r.status + QLatin1Char(')');
    if (!out.isEmpty() && g.ok) {
        const ArchiveView::Saved s = view.save(type, m_session.number(), tabIndex, out);
        if (s.nothing)
            saveError = QStringLiteral("файл ") + out + nothing;
        else if (!s.ok)
            saveError = QStringLiteral("файл ") + out + QStringLiteral(": ") + s.error;
        else
            m_ui.note(QStringLiteral("записан ") + out + partial);
    }
    if (!csv.isEmpty() && g.ok) {
        const QString err = g.records == 0 ? QString() : view.saveCsv(type, g, csv);
        if (g.records == 0)
            saveError = QStringLiteral("файл ") + csv + nothing;
        else if (!err.isEmpty())
            saveError = QStringLiteral("файл ") + csv + QStringLiteral(": ") + err;
        else
            m_ui.note(QStringLiteral("записан ") + csv + partial);
    }

    if (!png.isEmpty() && g.ok) {
        if (g.records == 0) {
            saveError = QStringLiteral("файл ") + png + nothing;
        } else {
            const QStringList wh = QString::fromStdString(m_pngSize).split(QLatin1Char('x'));
            const QString title = ModelName(type) + QStringLiteral(" № ") + QString::number(m_session.number())
                + QStringLiteral(", ") + info->arhTabs[tabIndex].caption;
            const PlotData plot = ArchivePlot::fromDisplayed(*m_session.module()->arh(), kind, m_system - 1, title);
            QString err;
            if (!ArchivePlot::savePng(plot, png, QSize(wh.value(0).toInt(), wh.value(1).toInt()), &err))
                saveError = QStringLiteral("файл ") + png + QStringLiteral(": ") + err;
            else
                m_ui.note(QStringLiteral("записан ") + png + partial);
        }
    }

    QString failure;
    if (CtlSignals::received())
        failure = interruptedText();
    else if (!r.ran)
        failure = m_ui.lastFailure().isEmpty() ? r.status : m_ui.lastFailure();
    else if (r.linkLost || r.failed)
        failure = r.status;
    else
        failure = saveError;

    QJsonObject j;
    j[QStringLiteral("type")] = type;
    j[QStringLiteral("number")] = m_session.number();
    j[QStringLiteral("kind")] = kind;
    j[QStringLiteral("system")] = g.system;
    QJsonArray header, rows, gaps;
    QString text = ModelName(type) + QStringLiteral(" № ") + QString::number(m_session.number()) + QStringLiteral(", ")
        + info->arhTabs[tabIndex].caption + QLatin1Char('\n');
    for (int row = 0; row < g.cells.size(); ++row) {
        (row < 2 ? header : rows).append(jsonList(g.cells[row]));
        if (row >= 2)
            gaps.append(g.gap(row));
        text += g.cells[row].join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    // A person at a terminal gets the columns aligned, as many as fit;
    // piped text stays one TAB-joined line per row.
    if (const int width = CtlTable::terminalWidth(); width > 0 && !m_json)
        text = ModelName(type) + QStringLiteral(" № ") + QString::number(m_session.number()) + QStringLiteral(", ")
            + info->arhTabs[tabIndex].caption + QLatin1Char('\n') + CtlTable::aligned(g.cells, 2, width);
    j[QStringLiteral("header")] = header;
    j[QStringLiteral("rows")] = rows;
    // One flag per row: a difference taken across missing records.
    j[QStringLiteral("gap")] = gaps;
    j[QStringLiteral("partial")] = r.partial();
    j[QStringLiteral("missing")] = r.missing;
    j[QStringLiteral("misordered")] = r.misordered;
    j[QStringLiteral("status")] = r.status;
    if (m_carrier)
        j[QStringLiteral("unreal")] = m_carrierUnreal;
    if (!failure.isEmpty())
        j[QStringLiteral("error")] = failure;
    text += r.status + QLatin1Char('\n');
    const bool printed = print(j, text);
    if (!saveError.isEmpty() && failure != saveError)
        m_ui.note(saveError); // the read's own failure stays the last line
    if (CtlSignals::received())
        return interrupted();
    if (!failure.isEmpty())
        return fail(failure, false);
    return printed ? Done : Failed;
}

bool CtlRunner::confirm(const QString &question)
{
    if (m_yes)
        return true;
    QTextStream err(stderr);
    // The dialog's text, its carriage returns as line ends.
    QString text = question;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    err << text << Qt::endl << QStringLiteral("(да/нет): ") << Qt::flush;
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QStringLiteral("да") || answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int CtlRunner::cmdMaintenance(const QString &command)
{
    // Nobody to ask and no --yes: nothing may be sent.
    if (!m_yes && !::isatty(STDIN_FILENO))
        return usage(command + QStringLiteral(" changes the device: answer on a terminal or give --yes"));
    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    Maintenance maintenance(*m_road, m_ui, m_session, [this](const QString &q) { return confirm(q); });
    Maintenance::Result r;
    if (command == QLatin1String("set-time")) {
        const QString clock = formatDateTime(u"dd mmmm yyyy  hh:nn", QDateTime::currentDateTime());
        r = maintenance.setTime([] { return QDateTime::currentDateTime(); }, clock);
    } else if (command == QLatin1String("set-number")) {
        r = maintenance.setNumber(m_newNumber);
    } else if (command == QLatin1String("init")) {
        r = maintenance.init();
    } else if (command == QLatin1String("zero-time")) {
        r = maintenance.zeroTime();
    } else {
        r = maintenance.clearArchives();
    }
    if (r.asked && !r.confirmed)
        r.text = QStringLiteral("отменено: ничего не послано");
    if (r.text.isEmpty())
        r.text = m_ui.lastFailure().isEmpty() ? QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА") : m_ui.lastFailure();
    QJsonObject o;
    o[QStringLiteral("command")] = command;
    o[QStringLiteral("status")] = r.ok ? QStringLiteral("ok") : QStringLiteral("fail");
    o[QStringLiteral("text")] = r.text;
    if (command == QLatin1String("set-number"))
        o[QStringLiteral("number")] = m_session.number();
    if (!r.ok) {
        if (r.text != m_ui.lastLine())
            m_ui.note(r.text);
        if (m_json)
            print(o, QString());
        return CtlSignals::received() ? interrupted() : int(Failed);
    }
    return print(o, r.text + QLatin1Char('\n')) ? Done : Failed;
}

int CtlRunner::cmdCalibrate()
{
    const int kind = m_calKind == "low" ? Calibration::Lower : m_calKind == "high" ? Calibration::Higher
                                                                                      : Calibration::Pressure;
    std::array<double, 4> points = Calibration::defaults(kind);
    if (!m_points.empty()) {
        const QStringList parts = QString::fromStdString(m_points).split(QLatin1Char(','));
        if (parts.size() < 1 || parts.size() > 4)
            return usage(QStringLiteral("--points takes one to four numbers"));
        for (int i = 0; i < parts.size(); ++i) {
            bool ok = false;
            const double v = parts[i].trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(v) || std::fabs(v) > 1e6)
                return usage(QStringLiteral("--points: not a number: ") + parts[i]);
            points[size_t(i)] = v;
        }
    }
    if (kind == Calibration::Pressure && (m_channel > 0) == m_allChannels)
        return usage(QStringLiteral("pressure calibration takes --channel 2..5 or --all"));
    if (kind != Calibration::Pressure && (m_channel > 0 || m_allChannels))
        return usage(QStringLiteral("--channel and --all are for --kind pressure"));
    if (!m_yes && !::isatty(STDIN_FILENO))
        return usage(QStringLiteral("calibrate changes the device: answer on a terminal or give --yes"));
    if (const int rc = openLink(); rc >= 0)
        return rc;
    if (!identityKnown())
        return linkFailure();
    const int type = m_session.type();
    if (!Calibration::kinds(type).contains(kind))
        return usage(ModelName(type) + QStringLiteral(" has no calibration ") + QString::fromStdString(m_calKind));
    if (m_channel > 3 && !Calibration::twoSystems(type))
        return usage(ModelName(type) + QStringLiteral(" has pressure channels 2 and 3 only"));
    const QString what = kind == Calibration::Pressure ? QStringLiteral("ДАВЛЕНИЮ")
                                                       : (kind == Calibration::Lower ? QStringLiteral("МЕНЬШЕЙ")
                                                                                     : QStringLiteral("БОЛЬШЕЙ"))
            + QStringLiteral(" ТЕМПЕРАТУРЕ");
    QJsonObject o;
    o[QStringLiteral("command")] = QStringLiteral("calibrate");
    if (!confirm(Maintenance::question(QStringLiteral("КАЛИБРОВАТЬ ПО ") + what + QStringLiteral(" ???")))) {
        const QString text = QStringLiteral("отменено: ничего не послано");
        m_ui.note(text);
        o[QStringLiteral("status")] = QStringLiteral("fail");
        o[QStringLiteral("text")] = text;
        if (m_json)
            print(o, QString());
        return Failed;
    }
    Calibration calibration(*m_road, m_ui, m_session);
    const Calibration::Result r = calibration.run(kind, points, m_channel, m_allChannels,
                                                  QStringLiteral("байты калибровки.txt"));
    const QString text = r.text.isEmpty() ? m_ui.lastStatus() : r.text;
    o[QStringLiteral("status")] = r.ok ? QStringLiteral("ok") : QStringLiteral("fail");
    o[QStringLiteral("text")] = text;
    QJsonArray measured;
    QString shown;
    for (const QString &m : r.shown) {
        measured.append(m);
        shown += QLatin1Char('\t') + m;
    }
    o[QStringLiteral("measured")] = measured;
    // Each pressure channel's own outcome, so a run over several never
    // reads as one success.
    QString perChannel;
    if (!r.channels.isEmpty()) {
        QJsonArray channels;
        for (const Calibration::ChannelOutcome &c : r.channels) {
            QJsonObject co;
            co[QStringLiteral("channel")] = c.channel;
            co[QStringLiteral("name")] = Calibration::channelName(type, c.channel).trimmed();
            co[QStringLiteral("status")] = c.ok ? QStringLiteral("ok") : QStringLiteral("fail");
            co[QStringLiteral("text")] = c.text;
            co[QStringLiteral("measured")] = c.measured;
            channels.append(co);
            perChannel += Calibration::channelName(type, c.channel).trimmed() + QStringLiteral(": ") + c.text
                + QLatin1Char('\n');
        }
        o[QStringLiteral("channels")] = channels;
    }
    if (!r.ok) {
        if (!m_json && r.channels.size() > 1)
            print(QJsonObject(), perChannel);
        if (text != m_ui.lastLine())
            m_ui.note(text);
        if (m_json)
            print(o, QString());
        return CtlSignals::received() ? interrupted() : int(Failed);
    }
    if (r.channels.size() > 1)
        return print(o, perChannel + text + QStringLiteral("\nизмерено:") + shown + QLatin1Char('\n')) ? Done : Failed;
    return print(o, text + QStringLiteral("\nизмерено:") + shown + QLatin1Char('\n')) ? Done : Failed;
}

int CtlRunner::cmdDecode()
{
    const QString what = QString::fromStdString(m_what);
    Tab reply;
    if (m_hex.empty() || !parseBytes(m_hex, reply) || reply.isEmpty())
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
        m_session.setIdentity(type, number);
        QJsonObject o;
        o[QStringLiteral("type")] = type;
        o[QStringLiteral("number")] = number;
        o[QStringLiteral("model")] = ModelName(type);
        return print(o, QStringLiteral("тип: %1 (%2)\nномер: %3\n").arg(type).arg(ModelName(type)).arg(number)) ? Done
                                                                                                               : Failed;
    }
    if (!m_typeSet || !m_numberSet)
        return usage(QStringLiteral("--type and --number are needed"));
    if (m_number < 0 || m_number > 65535)
        return usage(QStringLiteral("bad value for --number: ") + QString::number(m_number));
    const Identity id{m_type, m_number};
    m_session.setIdentity(m_type, m_number);
    DeviceModule *module = m_session.module();
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
        return print(systemsJson(m_session.identity(), labels, values), systemsText(m_session.identity(), labels, values)) ? Done : Failed;
    }
    if (what == QLatin1String("config")) {
        const QString err = module->param().DecParam(reply, id);
        if (!err.isEmpty())
            return refuse(err);
        QList<QStringList> values, labels;
        for (int s = 0; s < qMax(1, info->systems); ++s) {
            values << module->param().SLfromParam(s);
            labels << configValueLabels(module->param(), int(values.last().size()));
        }
        const QList<QStringList> units = configUnits(module->param(), values);
        return print(systemsJson(m_session.identity(), labels, values, units),
                     systemsText(m_session.identity(), labels, values, units))
                   ? Done
                   : Failed;
    }
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
    return print(o, text) ? Done : Failed;
}

int CtlRunner::cmdFrame()
{
    if (!m_typeSet || !m_numberSet || m_code < 0)
        return usage(QStringLiteral("--type, --number and --code are needed"));
    if (m_number < 0 || m_number > 65535)
        return usage(QStringLiteral("bad value for --number: ") + QString::number(m_number));
    Tab data;
    if (!parseBytes(m_data, data))
        return usage(QStringLiteral("bad hex data"));
    if (data.size() > kMaxRequestData)
        return usage(QStringLiteral("at most %1 data bytes").arg(kMaxRequestData));
    const Tab frame = SQ(Identity{m_type, m_number}, m_code, data);
    return writeStdout(frame.toHex().toUtf8() + '\n') ? Done : Failed;
}

// An archive file read back as the window's "чтение архива" shows it: the
// records of system 1 with the hourly column map.
int CtlRunner::cmdLoad()
{
    if (!m_typeSet || !hasArchive(m_type))
        return usage(QStringLiteral("--type of a type with archives is needed"));
    const QString path = QString::fromStdString(m_file);
    const ArchiveFiles::Loaded file = ArchiveFiles::load(path);
    if (!file.ok())
        return fail(file.error); // it names the file
    ArchiveRange range;
    ArchiveView view(m_ui, range, m_session);
    const ArchiveView::Grid g = view.load(m_type, path);
    if (!g.ok)
        return fail(m_ui.lastFailure());
    QJsonObject j;
    j[QStringLiteral("type")] = m_type;
    // The type the file was read as: its device folder or companion text
    // may name another than --type.
    j[QStringLiteral("read_as")] = g.type;
    QJsonArray header, rows;
    const QString title = ModelName(g.type) + QStringLiteral(", ") + path + QLatin1Char('\n');
    QString text = title;
    for (int row = 0; row < g.cells.size(); ++row) {
        (row < 2 ? header : rows).append(jsonList(g.cells[row]));
        text += g.cells[row].join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    // A person at a terminal gets the columns aligned, as many as fit;
    // piped text stays one TAB-joined line per row.
    if (const int width = CtlTable::terminalWidth(); width > 0 && !m_json)
        text = title + CtlTable::aligned(g.cells, 2, width);
    j[QStringLiteral("header")] = header;
    j[QStringLiteral("rows")] = rows;
    j[QStringLiteral("status")] = m_ui.lastStatus();
    return print(j, text) ? Done : Failed;
}

bool parseBytes(const std::vector<std::string> &items, Tab &out)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]+$"));
    Tab bytes;
    for (const std::string &item : items) {
        for (QString token : QString::fromStdString(item).split(separators, Qt::SkipEmptyParts)) {
            if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                token = token.mid(2);
            if (!hex.match(token).hasMatch())
                return false;
            if (token.size() <= 2) {
                bytes.append(token.toInt(nullptr, 16));
                continue;
            }
            Tab run;
            if (token.size() % 2 != 0 || !Tab::fromHex(token, run))
                return false;
            bytes.append(run);
        }
    }
    out = bytes;
    return true;
}

} // namespace pimctl
