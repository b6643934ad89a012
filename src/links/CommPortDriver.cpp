#include "links/CommPortDriver.h"

#include "base/Format.h"

#include <QRegularExpression>
#include <QSerialPort>
#include <QTimer>

#include <sys/ioctl.h>

namespace pim {

namespace {

const quint32 kRates[] = {0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400,
                          19200, 38400, 56000, 57600, 115200, 128000, 256000};

quint32 clampQueue(quint32 v)
{
    return qBound<quint32>(128, v, 8192);
}

} // namespace

quint32 baudRateOf(TBaudRate br)
{
    const int i = int(br);
    return i >= 0 && i < int(std::size(kRates)) ? kRates[i] : 0;
}

QString comPortName(int n)
{
    return Format(QStringLiteral("\\\\.\\COM%d"), {n});
}

QString systemPortPath(const QString &portName)
{
    static const QRegularExpression com(QStringLiteral("^\\\\\\\\\\.\\\\COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(portName);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return portName;
}

QString portBusyText(const QString &portName)
{
    return portName + QStringLiteral(" занят (отсутсвует)");
}

TCommPortDriver::TCommPortDriver(QObject *parent)
    : QObject(parent), m_serial(new QSerialPort(this)), m_pollTimer(new QTimer(this))
{
    m_portName = comPortName(2);
    connect(m_serial, &QSerialPort::readyRead, this, &TCommPortDriver::wakeWaiter);
    connect(m_serial, &QSerialPort::bytesWritten, this, &TCommPortDriver::wakeWaiter);
    connect(m_serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onSerialError(int(e)); });
    connect(m_pollTimer, &QTimer::timeout, this, &TCommPortDriver::pollReceive);
}

TCommPortDriver::~TCommPortDriver()
{
    ClosePort();
}

void TCommPortDriver::wakeWaiter()
{
    waiter().wake();
}

// ------------------------------------------------------------ properties

void TCommPortDriver::setPort(TPortNumber p)
{
    if (IsOpen())
        return;
    m_portNumber = p;
    if (p != pnCustom)
        m_portName = comPortName(int(p));
}

void TCommPortDriver::setPortName(const QString &name)
{
    if (IsOpen())
        return;
    m_portName = name;
    m_portNumber = pnCustom;
}

void TCommPortDriver::setBaudRate(TBaudRate br)
{
    m_baudRate = br;
    if (br != brCustom)
        m_baudRateValue = baudRateOf(br);
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setBaudRateValue(quint32 v)
{
    m_baudRateValue = v;
    m_baudRate = brCustom;
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setDataBits(TDataBits v)
{
    m_dataBits = v;
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setStopBits(TStopBits v)
{
    m_stopBits = v;
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setParity(TParity v)
{
    m_parity = v;
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setHwFlow(THwFlowControl v)
{
    m_hwFlow = v;
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setSwFlow(TSwFlowControl v)
{
    m_swFlow = v;
    if (IsOpen())
        ApplySettings();
}

void TCommPortDriver::setInBufSize(quint32 v)
{
    if (!IsOpen())
        m_inBufSize = clampQueue(v);
}

void TCommPortDriver::setOutBufSize(quint32 v)
{
    if (!IsOpen())
        m_outBufSize = clampQueue(v);
}

void TCommPortDriver::setPollingDelay(quint16 v)
{
    m_pollingDelay = qMax<quint16>(5, v);
    if (m_pollTimer->isActive())
        m_pollTimer->setInterval(m_pollingDelay);
}

// ------------------------------------------------------------ open / close

bool TCommPortDriver::IsOpen() const
{
    return m_serial->isOpen();
}

bool TCommPortDriver::OpenPort()
{
    if (IsOpen())
        return true;
    m_lastError.clear();
    m_systemError.clear();
    m_serial->setPortName(systemPortPath(m_portName));
    // QSerialPort opens exclusively (a lock and TIOCEXCL), like the
    // unshared open the program relies on.
    if (!m_serial->open(QIODevice::ReadWrite)) {
        m_systemError = m_serial->errorString();
        m_lastError = portBusyText(m_portName);
        return false;
    }
    if (!ApplySettings()) {
        if (m_systemError.isEmpty())
            m_systemError = m_serial->errorString();
        m_lastError = portBusyText(m_portName);
        m_serial->close();
        return false;
    }
    m_lost = false;
    ++m_openCount;
    m_pollTimer->start(m_pollingDelay);
    return true;
}

void TCommPortDriver::ClosePort()
{
    if (!IsOpen())
        return;
    m_pollTimer->stop();
    m_closing = true;
    m_serial->close();
    m_closing = false;
}

bool TCommPortDriver::ApplySettings()
{
    if (!IsOpen())
        return false;
    bool ok = m_serial->setBaudRate(qint32(qMin<quint32>(m_baudRateValue, INT32_MAX)));
    static const QSerialPort::DataBits bits[] = {QSerialPort::Data5, QSerialPort::Data6,
                                                 QSerialPort::Data7, QSerialPort::Data8};
    ok = ok && m_serial->setDataBits(bits[qBound(0, int(m_dataBits), 3)]);
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    ok = ok && m_serial->setParity(parities[qBound(0, int(m_parity), 4)]);
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    ok = ok && m_serial->setStopBits(stops[qBound(0, int(m_stopBits), 2)]);
    // One flow control at a time in the serial API: RTS/CTS wins over
    // XON/XOFF when both are chosen.
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    if (m_hwFlow == hfRTSCTS)
        flow = QSerialPort::HardwareControl;
    else if (m_swFlow == sfXONXOFF)
        flow = QSerialPort::SoftwareControl;
    ok = ok && m_serial->setFlowControl(flow);
    if (!ok) {
        m_systemError = m_serial->errorString();
        return false;
    }
    // Modem control lines are not line settings: a pseudo-terminal or an
    // adapter without them still carries data.
    if (m_enableDtr)
        m_serial->setDataTerminalReady(true);
    if (m_hwFlow == hfNONERTSON)
        m_serial->setRequestToSend(true);
    m_serial->clearError();
    PurgeBuffers(true, true);
    m_serial->setReadBufferSize(m_inBufSize);
    return true;
}

// ------------------------------------------------------------ write

int TCommPortDriver::WriteBytes(const char *data, int count, int timeoutMs)
{
    if (!IsOpen() || !data || count <= 0)
        return 0;
    int written = 0;
    qint64 lastProgress = waiter().now();
    while (written < count) {
        if (m_checkLineStatus && LineStatus() == 0)
            break;
        const int room = TxFree();
        if (room > 0) {
            ++m_writeCalls;
            m_serial->clearError();
            const qint64 n = m_serial->write(data + written, qMin(room, count - written));
            if (n > 0) {
                m_serial->flush();
                // A port that cannot take bytes is gone (a pulled adapter
                // answers every write with an error); trying again would
                // only spin.
                const QSerialPort::SerialPortError e = m_serial->error();
                if (e == QSerialPort::WriteError || e == QSerialPort::ResourceError) {
                    lose();
                    break;
                }
            }
            if (n < 0 || !IsOpen()) {
                lose();
                break;
            }
            if (n > 0) {
                written += int(n);
                lastProgress = waiter().now();
                continue;
            }
        }
        const qint64 left = lastProgress + timeoutMs - waiter().now();
        if (left < 0)
            break;
        waiter().wait(int(qMax<qint64>(1, left)));
        if (!IsOpen() || waiter().interrupted())
            break;
    }
    return written;
}

bool TCommPortDriver::SendByte(quint8 b)
{
    const char c = char(b);
    return SendData(&c, 1) == 1;
}

bool TCommPortDriver::SendText(const QByteArray &text)
{
    return SendData(text) == text.size();
}

// ------------------------------------------------------------ read

int TCommPortDriver::ReadBytes(char *buffer, int count)
{
    if (!IsOpen() || !buffer || count <= 0)
        return 0;
    ReceiveHold hold(*this);
    int got = 0;
    qint64 last = waiter().now();
    while (got < count) {
        if (m_serial->bytesAvailable() > 0) {
            const qint64 n = m_serial->read(buffer + got, count - got);
            if (n < 0) {
                lose();
                break;
            }
            got += int(n);
            last = waiter().now();
            continue;
        }
        // Bytes the system already holds are taken without waiting for
        // the next notification: a read with no time left still gets them.
        if (systemQueued() > 0) {
            waiter().processPending();
            if (!IsOpen())
                break;
            if (m_serial->bytesAvailable() > 0)
                continue;
        }
        const qint64 left = last + qint64(m_inputTimeout) - waiter().now();
        if (left <= 0)
            break;
        // Woken by the port's readyRead; otherwise the time-out runs out.
        waiter().wait(int(qMax<qint64>(1, left)));
        if (!IsOpen() || waiter().interrupted())
            break;
    }
    return got;
}

QByteArray TCommPortDriver::ReadBytes(int count)
{
    QByteArray b(qMax(0, count), '\0');
    b.truncate(ReadBytes(b.data(), int(b.size())));
    return b;
}

void TCommPortDriver::onSerialError(int error)
{
    // A resource error is the device gone (EIO, ENXIO, a hang-up): its
    // notifiers would fire for ever on a dead descriptor, and every later
    // write would fail the same way. Other errors leave the port usable.
    if (error == QSerialPort::ResourceError && IsOpen() && !m_closing) {
        m_systemError = m_serial->errorString();
        lose();
    }
}

void TCommPortDriver::lose()
{
    if (!IsOpen() || m_closing)
        return;
    if (m_systemError.isEmpty())
        m_systemError = m_serial->errorString();
    m_lastError = portBusyText(m_portName);
    m_lost = true;
    m_pollTimer->stop();
    m_closing = true;
    m_serial->close();
    m_closing = false;
    // Whoever waits for bytes from this port must look again.
    waiter().wake();
    if (m_onLost)
        m_onLost();
}

int TCommPortDriver::systemQueued() const
{
    if (!IsOpen())
        return 0;
    int queued = 0;
    if (::ioctl(int(m_serial->handle()), FIONREAD, &queued) != 0)
        return 0;
    return qMax(0, queued);
}

void TCommPortDriver::releaseReceive()
{
    if (m_pollHold > 0)
        --m_pollHold;
}

void TCommPortDriver::pollReceive()
{
    if (!IsOpen() || m_pollHold > 0)
        return;
    if (m_serial->bytesAvailable() <= 0)
        return;
    const QByteArray data = m_serial->read(qint64(m_inBufSize));
    if (!data.isEmpty() && m_onReceiveData)
        m_onReceiveData(data);
}

// ------------------------------------------------------------ queues, lines

int TCommPortDriver::RxCount() const
{
    if (!IsOpen())
        return 0xFFFF;
    // What the port object holds plus what the system still queues.
    return int(qMin<qint64>(m_serial->bytesAvailable() + systemQueued(), INT32_MAX));
}

int TCommPortDriver::TxFree() const
{
    if (!IsOpen())
        return -1;
    return int(qint64(m_outBufSize) - m_serial->bytesToWrite());
}

bool TCommPortDriver::PurgeBuffers(bool input, bool output)
{
    if (!IsOpen())
        return false;
    QSerialPort::Directions d;
    if (input)
        d |= QSerialPort::Input;
    if (output)
        d |= QSerialPort::Output;
    if (!d)
        return true;
    const bool ok = m_serial->clear(d);
    m_serial->clearError();
    return ok;
}

int TCommPortDriver::LineStatus() const
{
    if (!IsOpen())
        return 0;
    const QSerialPort::PinoutSignals s = m_serial->pinoutSignals();
    if (m_serial->error() != QSerialPort::NoError) {
        m_serial->clearError();
        return 0;
    }
    int r = 0;
    if (s & QSerialPort::ClearToSendSignal)
        r |= lsCTS;
    if (s & QSerialPort::DataSetReadySignal)
        r |= lsDSR;
    if (s & QSerialPort::RingIndicatorSignal)
        r |= lsRING;
    if (s & QSerialPort::DataCarrierDetectSignal)
        r |= lsRLSD;
    return r;
}

} // namespace pim
