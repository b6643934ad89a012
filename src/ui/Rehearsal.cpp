#include "ui/Rehearsal.h"

#include "ui/DevicePage.h"
#include "ui/LinkPages.h"
#include "ui/MainWindow.h"
#include "ui/PortPage.h"
#include "ui/Shell.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace pim::ui {

void Rehearsal::startFromEnvironment(MainWindow &w)
{
    const QString script = qEnvironmentVariable("PIM_REHEARSAL");
    if (script.isEmpty())
        return;
    QTimer::singleShot(200, &w, [&w, script] {
        // A bare display has no window manager to maximise the window.
        if (const QScreen *screen = w.screen())
            w.setGeometry(screen->availableGeometry());
        w.AcreateExecute();
        QString error;
        if (!run(w, script.split(QLatin1Char(';'), Qt::SkipEmptyParts), &error))
            std::fprintf(stderr, "pim: %s\n", qPrintable(error));
    });
}

bool Rehearsal::run(MainWindow &w, const QStringList &steps, QString *error)
{
    Shell &s = w.shell();
    for (const QString &raw : steps) {
        const QString step = raw.trimmed();
        QApplication::processEvents();
        if (step.startsWith(QLatin1String("port="))) {
            w.devicePage()->linkPages()->portPage()->choosePort(step.mid(5));
        } else if (step == QLatin1String("identify")) {
            s.action(QStringLiteral("AreadNoTu"))->trigger();
        } else if (step == QLatin1String("state")) {
            QAction *a = s.action(QStringLiteral("Areadstate"));
            if (!a->isChecked())
                a->trigger();
        } else if (step.startsWith(QLatin1String("shot="))) {
            QApplication::processEvents();
            if (!w.grab().save(step.mid(5), "PNG")) {
                if (error)
                    *error = QStringLiteral("cannot write ") + step.mid(5);
                return false;
            }
        } else if (step == QLatin1String("quit")) {
            w.close();
            QApplication::quit();
        } else {
            if (error)
                *error = QStringLiteral("unknown step: ") + step;
            return false;
        }
    }
    return true;
}

} // namespace pim::ui
