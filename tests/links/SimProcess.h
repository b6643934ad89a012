#pragma once
// pimsim in a child process: the simulated calculator at the other end of
// a pseudo-terminal or a UDP port.

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdlib>

namespace pimtest {

class SimProcess {
public:
    static QString binary()
    {
        // PIM_BIN_DIR, else the folder of the test itself (every executable
        // of a build lands in one bin folder).
        const char *dir = std::getenv("PIM_BIN_DIR");
        if (dir && *dir)
            return QString::fromLocal8Bit(dir) + QStringLiteral("/pimsim");
        return QCoreApplication::applicationDirPath() + QStringLiteral("/pimsim");
    }
    static bool available()
    {
        const QString b = binary();
        return !b.isEmpty() && QFileInfo::exists(b);
    }

    // Starts pimsim with the arguments; true once it printed its first line.
    bool start(const QStringList &args)
    {
        m_proc.setProgram(binary());
        m_proc.setArguments(args);
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start();
        if (!m_proc.waitForStarted(5000))
            return false;
        while (!m_proc.canReadLine()) {
            if (!m_proc.waitForReadyRead(5000))
                return false;
        }
        m_first = QString::fromLocal8Bit(m_proc.readLine()).trimmed();
        return !m_first.isEmpty();
    }
    ~SimProcess()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.terminate();
            if (!m_proc.waitForFinished(3000))
                m_proc.kill();
            m_proc.waitForFinished(1000);
        }
    }
    // The pseudo-terminal path (pty mode).
    QString ptyPath() const { return m_first; }
    // The UDP port (udp mode: "udp 127.0.0.1:PORT").
    int udpPort() const
    {
        const int colon = int(m_first.lastIndexOf(QLatin1Char(':')));
        return colon < 0 ? 0 : m_first.mid(colon + 1).toInt();
    }
    QString firstLine() const { return m_first; }

private:
    QProcess m_proc;
    QString m_first;
};

} // namespace pimtest
