#include "UiSupport.h"

#include "base/DataPath.h"
#include "devices/Registry.h"
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
    ui::MainWindow::setMessagesShown(false);
}

UiEnv::~UiEnv()
{
    setProgramFolder(QString());
}

QString UiEnv::settingsPath() const
{
    return SettingsFile::defaultPath();
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
