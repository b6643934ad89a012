#include "UiSupport.h"

#include "base/DataPath.h"
#include "devices/Registry.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"
#include "ui/DevicePage.h"
#include "ui/LinkPages.h"
#include "ui/MainWindow.h"
#include "ui/PortPage.h"
#include "workflows/SettingsFile.h"
#include "workflows/StateReading.h"

#include <QApplication>
#include <QDir>

namespace pim::uitest {

namespace {
QApplication *app()
{
    static int argc = 1;
    static char name[] = "test_ui";
    static char *argv[] = {name, nullptr};
    static QApplication *a = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        auto *created = new QApplication(argc, argv);
        registerImitationGenerators();
        return created;
    }();
    return a;
}
} // namespace

UiEnv::UiEnv()
{
    app();
    setProgramFolder(m_dir.path());
    // The port list offers only the simulators this test starts.
    QDir(m_dir.path()).mkpath("run");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.filePath("run")));
    ResetIdentity();
    ValueFormat::reset();
    StateReading::resetFlags();
    ui::MainWindow::setMessagesShown(false);
}

UiEnv::~UiEnv()
{
    setProgramFolder(QString());
    ResetIdentity();
}

QString UiEnv::settingsPath() const
{
    return SettingsFile::defaultPath();
}

PimSim::~PimSim()
{
    if (m_p.state() != QProcess::NotRunning) {
        m_p.terminate();
        if (!m_p.waitForFinished(3000))
            m_p.kill();
        m_p.waitForFinished(1000);
    }
}

bool PimSim::start(int type, int number, const QStringList &extra)
{
    // Every executable of the build lands in one folder; PIM_BIN_DIR names
    // it when the test runner passes it on.
    QString dir = qEnvironmentVariable("PIM_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    const QString bin = dir + "/pimsim";
    m_p.start(bin, QStringList{"--type", QString::number(type), "--number", QString::number(number)} + extra);
    if (!m_p.waitForStarted(5000))
        return false;
    while (!m_p.canReadLine())
        if (!m_p.waitForReadyRead(5000))
            return false;
    m_port = QString::fromLocal8Bit(m_p.readLine()).trimmed();
    return m_port.startsWith('/');
}

std::unique_ptr<ui::MainWindow> preparedWindow()
{
    auto w = std::make_unique<ui::MainWindow>();
    w->AcreateExecute();
    return w;
}

void choosePort(ui::MainWindow &w, const QString &port)
{
    w.devicePage()->linkPages()->portPage()->choosePort(port);
}

} // namespace pim::uitest
