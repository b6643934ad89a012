#pragma once
// TFpim: the operator's window. The toolbar of commands, the indicator
// strip and the six pages; the preparation at first activation, the
// settings kept from run to run, the help. It shows what the workflows
// produce and forwards the operator's gestures; it decides nothing about
// bytes, attempts or messages.

#include "links/StatusSink.h"
#include "workflows/WorkflowUi.h"

#include "devices/DeviceSession.h"

#include <functional>
#include <QMainWindow>

#include <memory>

class QProgressBar;
class QTabWidget;

namespace pim {
class AsyncReceiver;
class CarrierFile;
class ExchangeEngine;
class IdentityCommand;
class LinkRoad;
class StatusLine;
}

namespace pim::ui {

class ArchivePage;
class MiraWindow;
class CalibrationPage;
class PrintPage;
class CommandMap;
class ConfigPage;
class DebugPage;
class ConfirmDialog;
class DevicePage;
class Events;
class IndicatorStrip;
class StatusView;

class MainWindow : public QMainWindow, public WorkflowUi {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // "ВЫЧИСЛИТЕЛЬ ТЕПЛОВОЙ ЭНЕРГИИ версия " + the product version.
    static QString captionFor(const QString &productVersion);
    // The build's date and time, "dd.mm.yyyy hh:nn".
    static QString productVersion();

    // The preparation (Acreate), run once at the first activation.
    void AcreateExecute();
    bool prepared() const { return m_prepared; }
    // Writes the settings file (at shutdown, window close, SIGTERM, SIGINT).
    // Nothing is written before the preparation has restored the previous
    // values, so an early end cannot replace them with design values.
    bool SaveSettings(QString *error = nullptr);
    void RestoreSettings();
    // A termination signal came: the archive read stops before its next
    // request, the exchange in progress ends, and every wait from now on
    // returns at once, so the command running unwinds and the loop can
    // quit (the settings are then saved as at a closed window).
    void endWorkForQuit();
    // The settings file; DataPath's unless a test sets another.
    void setSettingsPath(const QString &path) { m_settingsPath = path; }
    QString settingsPath() const;

    // Commands.
    void AreadNoTuExecute();
    void AhelpExecute();
    // "чтение архива" switched on or off.
    void AreadFileArhExecute(bool on);
    // "задать №", "инициализация", "обнулить время работы", "стереть
    // архивы", "Уст дату/время": the question on `page`, then the command.
    void maintenanceCommand(const QString &command, int page);
    // "чтение из носилки" (toolbar "МИРА"): a carrier file chosen in the
    // carrier window, read as from the device onto the page "АРХИВЫ".
    void AGetDataLoggerExecute();
    MiraWindow *miraWindow();
    // The open dialog of the import when the carrier window chose no file;
    // tests answer it (an empty answer is a cancel).
    static void setCarrierFileChooser(std::function<QString(const QString &folder, const QString &filter)> chooser);

    ExchangeEngine &engine() { return *m_engine; }
    CommandMap &commands() { return *m_commands; }
    StatusLine &statusLine() { return *m_statusLine; }
    // The device the window serves.
    DeviceSession &session() { return m_session; }
    DevicePage *devicePage() const { return m_device; }
    ArchivePage *archivePage() const { return m_archive; }
    ConfigPage *configPage() const { return m_config; }
    DebugPage *debugPage() const { return m_debug; }
    CalibrationPage *calibrationPage() const { return m_calibration; }
    ConfirmDialog *confirmDialog() const { return m_fmd; }

    // Message boxes are recorded instead of shown when false (tests).
    static void setMessagesShown(bool on);
    QString lastMessage() const { return m_lastMessage; }

    // ---- WorkflowUi: what the reading workflows report
    void report(StatusLabel label, StatusKind kind, const QString &text) override;
    void setLabelText(StatusLabel label, const QString &text) override;
    void message(const QString &text) override;
    bool memoVisible() const override;
    void memoAppend(const QString &text) override;
    void progressShow(int maximum) override;
    void progressSet(int position) override;
    void progressRemove() override;
    void readingChanged(bool reading) override;
    bool liveUpdate() const override;
    void archiveGrown(int kind) override;

protected:
    void closeEvent(QCloseEvent *e) override;
    void changeEvent(QEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void buildPages();
    void bindCommands();
    void reportRefused();

    // Declared first: the pages and workflows below refer to it.
    DeviceSession m_session;
    std::unique_ptr<Events> m_events;
    StatusLine *m_statusLine;
    ExchangeEngine *m_engine;
    std::unique_ptr<IdentityCommand> m_identity;
    std::unique_ptr<LinkRoad> m_road;
    CommandMap *m_commands;
    StatusView *m_status = nullptr;
    IndicatorStrip *m_strip = nullptr;
    ConfirmDialog *m_fmd = nullptr;
    QTabWidget *m_pcw = nullptr;
    DevicePage *m_device = nullptr;
    ArchivePage *m_archive = nullptr;
    ConfigPage *m_config = nullptr;
    DebugPage *m_debug = nullptr;
    PrintPage *m_print = nullptr;
    CalibrationPage *m_calibration = nullptr;
    QProgressBar *m_progress = nullptr;
    bool m_prepared = false;
    QString m_settingsPath;
    QString m_lastMessage;
    MiraWindow *m_mira = nullptr;
    // The carrier file being replayed: the exchange answers from it.
    std::unique_ptr<CarrierFile> m_carrierFile;
};

} // namespace pim::ui
