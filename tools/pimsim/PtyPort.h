#pragma once
// The device end of a pseudo-terminal: the host opens the slave path as its
// serial port. Reading is driven by a socket notifier on the master; the
// host opening and closing the port is seen through inotify on the slave,
// so a closed port drops a modem call and discards unread output, as a
// real line would.

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace pimsim {

class PtyPort : public QObject {
    Q_OBJECT
public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    bool open(QString *error);
    QString slavePath() const { return m_path; }
    void write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    void hostOpened();
    void hostClosed();

private:
    void readMaster();
    void readInotify();

    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up
    int m_inotify = -1;
    QString m_path;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_inotifyNotifier = nullptr;
};

} // namespace pimsim
