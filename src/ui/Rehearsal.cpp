#include "ui/Rehearsal.h"

#include "ui/ArchivePage.h"
#include "ui/CommandMap.h"
#include "ui/DevicePage.h"
#include "ui/LinkPages.h"
#include "ui/MainWindow.h"
#include "ui/PortPage.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace pim::ui {

QString Rehearsal::help()
{
    return QStringLiteral(
        "Runs the window by itself once it is prepared, for demonstrations and screenshots. "
        "STEPS are separated by ';': port=PATH (choose and check a serial port), identify "
        "(\"номер/тип\"), state (\"состояние\" on), archive (the page \"АРХИВЫ\" and \"архив\" for its "
        "selected tab), tab=N (select archive tab N, from 0), plot (\"график\" on), page=N (show page N of the window, from 0), "
        "action=NAME (run a command by its name, e.g. Acal), save=FILE (save the archive in view to FILE as the "
        "file dialog would), size=WxH (resize the window), shot=FILE "
        "(save a PNG of the window), quit (close; the settings are saved as usual).");
}

void Rehearsal::start(MainWindow &w, const QString &script)
{
    if (script.isEmpty())
        return;
    QTimer::singleShot(200, &w, [&w, script] {
        // A bare display has no window manager to maximise the window.
        if (const QScreen *screen = w.screen())
            w.setGeometry(screen->availableGeometry());
        w.AcreateExecute();
        QString error;
        if (!run(w, script.split(QLatin1Char(';'), Qt::SkipEmptyParts), &error)) {
            std::fprintf(stderr, "pim: %s\n", qPrintable(error));
            QApplication::exit(2);
        }
    });
}

bool Rehearsal::run(MainWindow &w, const QStringList &steps, QString *error)
{
    CommandMap &commands = w.commands();
    for (const QString &raw : steps) {
        const QString step = raw.trimmed();
        QApplication::processEvents();
        if (step.startsWith(QLatin1String("port="))) {
            w.devicePage()->linkPages()->portPage()->choosePort(step.mid(5));
        } else if (step == QLatin1String("identify")) {
            commands.action(QStringLiteral("AreadNoTu"))->trigger();
        } else if (step == QLatin1String("state")) {
            QAction *a = commands.action(QStringLiteral("Areadstate"));
            if (!a->isChecked())
                a->trigger();
        } else if (step == QLatin1String("archive")) {
            auto *pcw = w.findChild<QTabWidget *>(QStringLiteral("PCW"));
            if (pcw)
                pcw->setCurrentIndex(1);
            commands.action(QStringLiteral("AreadArh"))->trigger();
        } else if (step.startsWith(QLatin1String("page="))) {
            auto *pcw = w.findChild<QTabWidget *>(QStringLiteral("PCW"));
            bool ok = false;
            const int page = step.mid(5).toInt(&ok);
            if (!pcw || !ok || page < 0 || page >= pcw->count()) {
                if (error)
                    *error = QStringLiteral("no page ") + step.mid(5);
                return false;
            }
            pcw->setCurrentIndex(page);
        } else if (step.startsWith(QLatin1String("action="))) {
            QAction *a = commands.action(step.mid(7));
            if (!a) {
                if (error)
                    *error = QStringLiteral("no command ") + step.mid(7);
                return false;
            }
            a->trigger();
        } else if (step.startsWith(QLatin1String("save="))) {
            // "запись архива" with the file dialog answered by the script.
            const QString file = step.mid(5);
            ArchivePage::setFileChooser([file](bool save, const QString &, const QString &) {
                return save ? file : QString();
            });
            commands.action(QStringLiteral("Asavearh"))->trigger();
            ArchivePage::setFileChooser({});
        } else if (step == QLatin1String("plot")) {
            if (auto *b = w.findChild<QPushButton *>(QStringLiteral("BPlot")); b && !b->isChecked())
                b->click();
        } else if (step.startsWith(QLatin1String("tab="))) {
            bool ok = false;
            const int tab = step.mid(4).toInt(&ok);
            auto *tca = w.findChild<QTabBar *>(QStringLiteral("TCa"));
            if (!ok || !tca || tab < 0 || tab >= tca->count()) {
                if (error)
                    *error = QStringLiteral("no archive tab ") + step.mid(4);
                return false;
            }
            tca->setCurrentIndex(tab);
        } else if (step.startsWith(QLatin1String("size="))) {
            static const QRegularExpression re(QStringLiteral("^(\\d+)x(\\d+)$"));
            const QRegularExpressionMatch m = re.match(step.mid(5));
            if (!m.hasMatch()) {
                if (error)
                    *error = QStringLiteral("bad size: ") + step.mid(5);
                return false;
            }
            w.showNormal();
            w.setGeometry(0, 0, m.captured(1).toInt(), m.captured(2).toInt());
            QApplication::processEvents();
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
