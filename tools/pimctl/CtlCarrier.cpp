// pimctl carrier check|info|read: the archive files of a portable data
// carrier, checked by name, described, and read through the archive reader
// while the file answers every request in place of the device.
#include "CtlRunner.h"
#include "CtlRoads.h"

#include "carrier/ArchiveDescription.h"
#include "carrier/CarrierFile.h"
#include "carrier/CarrierReplay.h"
#include "devices/ArhCodec.h"
#include "links/ExchangeEngine.h"
#include "protocol/Frame.h"
#include "workflows/LinkRoad.h"

#include <CLI/CLI.hpp>

#include <QJsonArray>
#include <QJsonObject>

using namespace pim;

namespace pimctl {

namespace {

QString notArchiveText(const QString &path)
{
    return QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный");
}

} // namespace

void CtlRunner::addCarrierCommand(CLI::App &app)
{
    CLI::App *c = addCommand(app, {"carrier",
                                   "carrier check NAME | info FILE [--records] | read FILE [--diff] [--system 1|2]\n"
                                   "          [--out FILE.Arh] [--csv FILE]",
                                   "data carrier files: a name checked, a file described, or its archive read as "
                                   "from the device (all its records)",
                                   false, [this] { return cmdCarrier(); }})
                      .app;
    c->add_option("what", m_carrierWhat, "check, info or read")
        ->required()
        ->check(CLI::IsMember({"check", "info", "read"}));
    c->add_option("name", m_carrierName, "the carrier file (check: its name only)")->required();
    c->add_flag("--records", m_carrierRecords, "info: every record field by field as the description table names them");
    c->add_flag("--diff", m_diff, "read: differences and totals instead of the cumulative values");
    c->add_option("--system", m_system, "read: heating system (1)")->type_name("1|2")->check(CLI::Range(1, 2));
    c->add_option("--out", m_out, "read: an archive file, with its companion .txt beside it")->type_name("FILE.Arh");
    c->add_option("--csv", m_csv, "read: the grid as Windows-1251 CSV with ISO dates")->type_name("FILE");
}

int CtlRunner::cmdCarrier()
{
    const CLI::App *c = m_app->get_subcommand("carrier");
    m_carrierOutSet = c->count("--out") > 0;
    m_carrierCsvSet = c->count("--csv") > 0;
    if (m_carrierWhat != "info" && m_carrierRecords)
        return usage(QStringLiteral("--records belongs to carrier info"));
    if (m_carrierWhat != "read" && (c->count("--diff") || c->count("--system") || m_carrierOutSet || m_carrierCsvSet))
        return usage(QStringLiteral("--diff, --system, --out and --csv belong to carrier read"));
    // A description file that cannot be read leaves the built-in table, as
    // a missing one does; said, so nobody takes it for theirs.
    QString tableError;
    ArchiveDescription::programTable(&tableError);
    if (!tableError.isEmpty())
        m_ui.note(tableError + QStringLiteral(" (действует встроенная таблица описания архивов)"));
    if (m_carrierWhat == "check")
        return carrierCheck();
    if (m_carrierWhat == "info")
        return carrierInfo();
    return carrierRead();
}

int CtlRunner::carrierCheck()
{
    CarrierFile f;
    const QString err = f.CheckCarrierName(QString::fromStdString(m_carrierName), ArchiveDescription::programTable());
    QJsonObject o;
    o[QStringLiteral("error")] = err;
    o[QStringLiteral("type")] = f.typeFound ? QJsonValue(f.type) : QJsonValue();
    o[QStringLiteral("number")] = f.numberFound ? QJsonValue(f.number) : QJsonValue();
    o[QStringLiteral("kind")] = f.kindFound ? QJsonValue(f.daily() ? QStringLiteral("daily") : QStringLiteral("hourly"))
                                            : QJsonValue();
    o[QStringLiteral("record_length")] = f.lengthFound ? QJsonValue(f.recordLength) : QJsonValue();
    o[QStringLiteral("expected")] = f.expectedFound ? QJsonValue(f.expected) : QJsonValue();
    QString text;
    auto line = [&](const char *label, const QJsonValue &v) {
        text += QString::fromUtf8(label) + QStringLiteral(": ")
            + (v.isNull() ? QStringLiteral("-") : v.isString() ? v.toString() : QString::number(v.toInt())) + QLatin1Char('\n');
    };
    line("тип", o[QStringLiteral("type")]);
    line("номер", o[QStringLiteral("number")]);
    line("архив", o[QStringLiteral("kind")]);
    line("длина записи", o[QStringLiteral("record_length")]);
    line("записей (от 0)", o[QStringLiteral("expected")]);
    if (!print(o, text))
        return Failed;
    if (!err.isEmpty()) {
        m_ui.note(CtlUi::terminalText(err));
        return Failed;
    }
    return Done;
}

int CtlRunner::carrierInfo()
{
    const QString path = QString::fromStdString(m_carrierName);
    CarrierFile f;
    const QString err = f.LoadCarrierFile(path, ArchiveDescription::programTable());
    if (!err.isEmpty()) {
        m_ui.note(CtlUi::terminalText(err));
        return fail(notArchiveText(path));
    }
    const QStringList lines = f.CarrierInfoLines();
    QJsonObject o;
    QJsonArray a;
    for (const QString &l : lines)
        a.append(l);
    o[QStringLiteral("lines")] = a;
    o[QStringLiteral("title")] = f.CarrierTitle();
    // How many whole records could be a calculator's, and how many cannot.
    o[QStringLiteral("real_records")] = f.realRecords;
    o[QStringLiteral("unreal_records")] = f.unrealRecords;
    QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n') + f.CarrierTitle() + QLatin1Char('\n')
        + QStringLiteral("записей прибора=%1 невозможных=%2\n").arg(f.realRecords).arg(f.unrealRecords);
    QString fieldError;
    if (m_carrierRecords) {
        // One row per record number: its fields as name=value, or the
        // words of a number past the file or a record past the archive.
        QJsonArray records;
        const QList<QStringList> rows = f.recordRows(ArchiveDescription::programTable(), &fieldError);
        for (int i = 0; i < rows.size(); ++i) {
            QJsonArray r;
            for (const QString &cell : rows[i])
                r.append(cell);
            records.append(r);
            text += QString::number(i) + QLatin1Char('\t') + rows[i].join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
        o[QStringLiteral("records")] = records;
    }
    if (!print(o, text))
        return Failed;
    if (!fieldError.isEmpty())
        return fail(fieldError, false);
    // Described, but no archive: the exit says so.
    if (!f.noDataText().isEmpty())
        return fail(f.noDataText(), false);
    return Done;
}

int CtlRunner::carrierRead()
{
    if (m_typeSet || m_numberSet)
        return usage(QStringLiteral("carrier read takes the type and number from the file, not from --type/--number"));
    if (m_imitation >= 0 || !m_udpHost.isEmpty() || !m_port.isEmpty())
        return usage(QStringLiteral("carrier read answers from the file: no --port, --udp or --imitation"));
    const QString path = QString::fromStdString(m_carrierName);
    auto file = std::make_shared<CarrierFile>();
    const QString err = file->LoadCarrierFile(path, ArchiveDescription::programTable());
    if (!err.isEmpty()) {
        m_ui.note(CtlUi::terminalText(err));
        return fail(notArchiveText(path));
    }
    // Erased or zeroed memory, noise: nothing in it is an archive.
    if (!file->noDataText().isEmpty()) {
        m_ui.note(file->noDataText());
        return fail(QStringLiteral("файл: ") + path + QStringLiteral(" - нет ни одной записи прибора"));
    }
    // The archive command of the file's identity and kind, over all its
    // records, as the window's import reads it.
    m_carrier = file;
    m_type = file->type;
    m_number = file->number;
    m_typeSet = m_numberSet = true;
    m_kind = file->daily() ? "daily" : "hourly";
    m_range = "records";
    m_from.clear();
    m_to.clear();
    m_png.clear();
    m_pngSet = false;
    m_outSet = m_carrierOutSet;
    m_csvSet = m_carrierCsvSet;
    const int rc = cmdArchive();
    if (rc != Done)
        return rc;
    const int kind = (file->daily() ? 0 : 2) + (m_diff ? 1 : 0);
    DeviceModule *module = m_session.module();
    const bool any = module && module->arh() && !module->arh()->readRecords(kind).isEmpty();
    // Success only when the file gave records.
    if (!any)
        return fail(m_ui.lastStatus().isEmpty() ? QStringLiteral("в архиве нет ни одной записи") : m_ui.lastStatus(),
                    false);
    QString done = QStringLiteral("архив из файла: ") + path + QStringLiteral(" - прочитан");
    if (m_carrierUnreal > 0)
        done += QStringLiteral("; ") + CarrierFile::unrealText(m_carrierUnreal);
    m_ui.note(done);
    return Done;
}

bool CtlRunner::setupCarrierLink(QString &why)
{
    if (!checkHandIdentity(why))
        return false;
    m_engine = std::make_unique<ExchangeEngine>();
    m_engine->setStatus(&m_ui);
    m_engine->setWaiter(&m_waiter);
    // A replayed read counts its record requests as a read from a device does.
    m_road = std::make_unique<CountingRoad>(*m_engine, std::function<void()>(), m_ui);
    CarrierReplay::install(*m_engine, *m_carrier);
    m_engine->setReplayMode(true);
    return true;
}

} // namespace pimctl
