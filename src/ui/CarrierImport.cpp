// "чтение из носилки" (toolbar "МИРА"): a carrier file chosen in the carrier
// window is read by the archive reader of its type while the exchange
// engine answers from the file, and shown on the page "АРХИВЫ" like an
// archive read from the device (from there it is saved and printed).
#include "ui/MainWindow.h"

#include "carrier/ArchiveDescription.h"
#include "carrier/CarrierFile.h"
#include "carrier/CarrierReplay.h"
#include "carrier/MiraFiles.h"
#include "devices/ArhCodec.h"
#include "devices/Registry.h"
#include "links/ExchangeEngine.h"
#include "ui/ArchivePage.h"
#include "ui/CommandMap.h"
#include "ui/DevicePage.h"
#include "ui/MiraWindow.h"

#include <QAction>
#include <QFileDialog>
#include <QTabWidget>

namespace pim::ui {
namespace {

std::function<QString(const QString &folder, const QString &filter)> &openChooser()
{
    static std::function<QString(const QString &, const QString &)> c;
    return c;
}

} // namespace

void MainWindow::setCarrierFileChooser(std::function<QString(const QString &folder, const QString &filter)> chooser)
{
    openChooser() = std::move(chooser);
}

MiraWindow *MainWindow::miraWindow()
{
    if (!m_mira)
        m_mira = new MiraWindow(this);
    return m_mira;
}

void MainWindow::AGetDataLoggerExecute()
{
    if (m_archive->reading() || m_engine->commandRunning()) {
        reportRefused();
        return;
    }
    MiraWindow *w = miraWindow();
    if (w->exec() != QDialog::Accepted)
        return;
    QString path = w->chosenFile();
    if (path.isEmpty()) {
        const QString filter =
            QStringLiteral("Архивы MIRA-1 (*.225 *.227 *.228 *.229 *.230 *.234 *.235);;Bсе файлы(*.*) (*)");
        const QString folder = mira::programFolder();
        path = openChooser() ? openChooser()(folder, filter)
                             : QFileDialog::getOpenFileName(this, QStringLiteral("МИРА-1"), folder, filter);
        if (path.isEmpty()) {
            m_commands->action(QStringLiteral("AreadFileArh"))->setChecked(false);
            return;
        }
    }
    const ArchiveDescription table = ArchiveDescription::programTable();
    if (!m_carrierFile)
        m_carrierFile = std::make_unique<CarrierFile>();
    CarrierFile &loaded = *m_carrierFile;
    CarrierFile header;
    if (!header.CheckCarrierName(path, table).isEmpty()) {
        statusFail(QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный"));
        return;
    }
    m_session.setType(header.type);
    m_session.setNumber(header.number);
    m_device->setIdentityTexts(QString::number(header.number), ModelName(header.type), QString::number(header.number));

    m_pcw->setCurrentIndex(1);
    m_engine->setReplayMode(true);
    m_archive->chooseAllRecords();
    m_archive->pageShown();
    m_archive->selectCarrierTab(header.daily());

    const QString err = loaded.LoadCarrierFile(path, table, [this](const QString &t) {
        statusText(StatusKind::Progress, t);
    });
    const bool started = err.isEmpty();
    if (!started) {
        message(err);
        m_engine->setReplayMode(false);
        statusFail(QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный"));
        return;
    }
    // Erased or zeroed memory, noise: nothing in it is an archive.
    if (!loaded.noDataText().isEmpty()) {
        message(loaded.noDataText());
        m_engine->setReplayMode(false);
        statusFail(QStringLiteral("файл: ") + path + QStringLiteral(" - нет ни одной записи прибора"));
        return;
    }
    CarrierReplay::install(*m_engine, loaded);
    if (memoVisible())
        memoAppend(loaded.CarrierInfo(QStringLiteral("\r")));
    const ArchiveReading::Result r = m_archive->readArchive();
    m_engine->setReplayMode(false);
    // Slots that cannot be real are no data: out of the grid and the files.
    int unreal = 0;
    if (DeviceModule *module = m_session.module(); module && module->arh()) {
        ArhCodec *codec = module->arh();
        unreal = codec->dropUnreal(codec->readRecords(header.daily() ? ArhDaily : ArhHourly));
        if (unreal > 0)
            m_archive->refreshView();
    }
    m_commands->action(QStringLiteral("AArhPrint"))->setEnabled(m_archive->printable());
    // Read only when records came; otherwise the reader's failure stays.
    if (r.ran && r.records > unreal)
        statusOk(QStringLiteral("архив из файла: ") + path + QStringLiteral(" - прочитан")
                 + (unreal > 0 ? QStringLiteral("; ") + CarrierFile::unrealText(unreal) : QString()));
}

} // namespace pim::ui
