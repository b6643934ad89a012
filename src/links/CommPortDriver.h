#pragma once
// TCommPortDriver: the serial port of the program. It opens a named port,
// applies the line settings, writes with a time-out, reads with a time-out
// counted from the last received byte, and delivers bytes that arrive on
// their own (a modem answer, a console reply) through its receive event.
//
// On Linux a port name is a device path ("/dev/ttyUSB0", a pseudo-terminal);
// the "\\.\COMn" names that pnCOMn gives are opened as /dev/ttyS(n-1).

#include "links/Waiter.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSerialPort;
class QTimer;

namespace pim {

enum TPortNumber {
    pnCustom, pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8,
    pnCOM9, pnCOM10, pnCOM11, pnCOM12, pnCOM13, pnCOM14, pnCOM15, pnCOM16
};
enum TBaudRate {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200, br128000, br256000
};
enum TDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
enum TStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum TParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum THwFlowControl { hfNONE, hfNONERTSON, hfRTSCTS };
enum TSwFlowControl { sfNONE, sfXONXOFF };
enum TPacketMode { pmDiscard, pmPass };

// Bits of LineStatus.
enum : int { lsCTS = 1, lsDSR = 2, lsRING = 4, lsRLSD = 8 };

// The rate of a named TBaudRate; 0 for brCustom.
quint32 baudRateOf(TBaudRate br);
// "\\.\COM%d" filled with n.
QString comPortName(int n);
// The device path opened for a port name.
QString systemPortPath(const QString &portName);
// What the operator reads about a port that cannot be opened or went away:
// the name followed by " занят (отсутсвует)".
QString portBusyText(const QString &portName);

class TCommPortDriver : public QObject {
    Q_OBJECT
public:
    using ReceiveHandler = std::function<void(const QByteArray &data)>;
    using LostHandler = std::function<void()>;

    explicit TCommPortDriver(QObject *parent = nullptr);
    ~TCommPortDriver() override;

    // Every wait (write room, read time-out) goes through this waiter.
    void setWaiter(Waiter *w) { m_waiter = w; }
    Waiter &waiter() const { return m_waiter ? *m_waiter : defaultWaiter(); }

    // ---- published properties
    TPortNumber Port() const { return m_portNumber; }
    void setPort(TPortNumber p);
    QString PortName() const { return m_portName; }
    void setPortName(const QString &name);
    TBaudRate BaudRate() const { return m_baudRate; }
    void setBaudRate(TBaudRate br);
    quint32 BaudRateValue() const { return m_baudRateValue; }
    void setBaudRateValue(quint32 v);
    TDataBits DataBits() const { return m_dataBits; }
    void setDataBits(TDataBits v);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits v);
    TParity Parity() const { return m_parity; }
    void setParity(TParity v);
    THwFlowControl HwFlow() const { return m_hwFlow; }
    void setHwFlow(THwFlowControl v);
    TSwFlowControl SwFlow() const { return m_swFlow; }
    void setSwFlow(TSwFlowControl v);
    quint32 InBufSize() const { return m_inBufSize; }
    void setInBufSize(quint32 v);
    quint32 OutBufSize() const { return m_outBufSize; }
    void setOutBufSize(quint32 v);
    qint16 PacketSize() const { return m_packetSize; }
    void setPacketSize(qint16 v) { m_packetSize = v; }
    qint32 PacketTimeout() const { return m_packetTimeout; }
    void setPacketTimeout(qint32 v) { m_packetTimeout = v; }
    TPacketMode PacketMode() const { return m_packetMode; }
    void setPacketMode(TPacketMode v) { m_packetMode = v; }
    quint16 PollingDelay() const { return m_pollingDelay; }
    void setPollingDelay(quint16 v);
    bool EnableDTROnOpen() const { return m_enableDtr; }
    void setEnableDTROnOpen(bool v) { m_enableDtr = v; }
    quint16 OutputTimeout() const { return m_outputTimeout; }
    void setOutputTimeout(quint16 v) { m_outputTimeout = v; }
    quint32 InputTimeout() const { return m_inputTimeout; }
    void setInputTimeout(quint32 v) { m_inputTimeout = v; }
    bool CheckLineStatus() const { return m_checkLineStatus; }
    void setCheckLineStatus(bool v) { m_checkLineStatus = v; }
    // OnReceiveData: bytes delivered by the receive poll.
    void setOnReceiveData(ReceiveHandler h) { m_onReceiveData = std::move(h); }
    // Called once the port is closed because it went away while open (an
    // adapter pulled, the far end of a pseudo-terminal gone): a write or a
    // read failed for good.
    void setOnLost(LostHandler h) { m_onLost = std::move(h); }

    // ---- operations
    bool OpenPort();
    void ClosePort();
    bool IsOpen() const;
    bool ApplySettings();
    // The operator's text of the last failure to open the port, or of its
    // loss ("<port> занят (отсутсвует)"); systemError() says what the
    // system reported.
    QString lastError() const { return m_lastError; }
    QString systemError() const { return m_systemError; }
    // The port went away while open and was closed (until it is opened again).
    bool lost() const { return m_lost; }
    // Writes handed to the system since the port was created.
    quint64 writeCalls() const { return m_writeCalls; }
    // How many times the port has been opened: what a user of the port
    // learnt about the line holds until this changes.
    quint32 openCount() const { return m_openCount; }

    int WriteBytes(const char *data, int count, int timeoutMs);
    int SendData(const char *data, int count) { return WriteBytes(data, count, m_outputTimeout); }
    int SendData(const QByteArray &data) { return SendData(data.constData(), int(data.size())); }
    bool SendByte(quint8 b);
    bool SendText(const QByteArray &text);

    // Reads up to count bytes; stops once InputTimeout ms pass without a
    // byte (counted from the start or the last byte received).
    int ReadBytes(char *buffer, int count);
    QByteArray ReadBytes(int count);

    int RxCount() const;
    int TxFree() const;
    bool PurgeBuffers(bool input, bool output);
    int LineStatus() const;

    // While held (counted, nestable) the receive poll takes nothing, so the
    // receive event cannot take the bytes an exchange is waiting for.
    void holdReceive() { ++m_pollHold; }
    void releaseReceive();
    bool receiveHeld() const { return m_pollHold > 0; }

    // One receive poll now (what the poll timer runs).
    void pollReceive();

private:
    void wakeWaiter();
    void onSerialError(int error);
    // Closes a port that failed for good and tells the owner.
    void lose();
    // Bytes the system holds for the port that the port object has not taken.
    int systemQueued() const;

    QSerialPort *m_serial = nullptr;
    QTimer *m_pollTimer = nullptr;
    Waiter *m_waiter = nullptr;
    ReceiveHandler m_onReceiveData;
    LostHandler m_onLost;
    QString m_lastError;
    QString m_systemError;
    bool m_lost = false;
    bool m_closing = false; // errors a closing port reports are no loss
    quint64 m_writeCalls = 0;
    int m_pollHold = 0;
    quint32 m_openCount = 0;

    TPortNumber m_portNumber = pnCOM2;
    QString m_portName;
    TBaudRate m_baudRate = br9600;
    quint32 m_baudRateValue = 9600;
    TDataBits m_dataBits = db8BITS;
    TStopBits m_stopBits = sb1BITS;
    TParity m_parity = ptNONE;
    THwFlowControl m_hwFlow = hfNONERTSON;
    TSwFlowControl m_swFlow = sfNONE;
    quint32 m_inBufSize = 2048;
    quint32 m_outBufSize = 2048;
    qint16 m_packetSize = -1;
    qint32 m_packetTimeout = -1;
    TPacketMode m_packetMode = pmDiscard;
    quint16 m_pollingDelay = 50;
    bool m_enableDtr = true;
    quint16 m_outputTimeout = 500;
    quint32 m_inputTimeout = 200;
    bool m_checkLineStatus = false;
};

// Holds the receive poll off for a scope.
class ReceiveHold {
public:
    explicit ReceiveHold(TCommPortDriver &p) : m_p(p) { m_p.holdReceive(); }
    ~ReceiveHold() { m_p.releaseReceive(); }
    ReceiveHold(const ReceiveHold &) = delete;
    ReceiveHold &operator=(const ReceiveHold &) = delete;

private:
    TCommPortDriver &m_p;
};

} // namespace pim
