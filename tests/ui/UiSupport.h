#pragma once
// What the window tests share: the application object, a program folder
// of their own, a running pimsim on a pseudo-terminal, and a prepared window.

#include "support/PimSim.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace pim::ui {
class MainWindow;
}

namespace pim::uitest {

// Creates the QApplication (offscreen) once; resets the program-wide state
// (identity, imitation, value format, state-read flag) for every test, and
// points the program folder and the simulators' port folder at a fresh
// temporary folder.
class UiEnv {
public:
    UiEnv();
    ~UiEnv();
    QString folder() const { return m_dir.path(); }
    QString settingsPath() const;

private:
    QTemporaryDir m_dir;
};

// pimsim from the shared launcher.
using PimSim = pimtest::PimSim;

// A window whose preparation has run (messages recorded, not shown).
std::unique_ptr<ui::MainWindow> preparedWindow();

// Chooses `port` in the port list (adding it when missing) and checks it.
void choosePort(ui::MainWindow &w, const QString &port);

} // namespace pim::uitest
