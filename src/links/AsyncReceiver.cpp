#include "links/AsyncReceiver.h"

#include "base/Format.h"
#include "links/ExchangeEngine.h"

#include <QTimer>

namespace pim {

AsyncReceiver::AsyncReceiver(ExchangeEngine &engine, StatusSink *status, QObject *parent)
    : QObject(parent), m_engine(engine), m_status(status), m_trx(new QTimer(this))
{
    m_trx->setInterval(kTickMs);
    connect(m_trx, &QTimer::timeout, this, &AsyncReceiver::tick);
    m_engine.port().setOnReceiveData([this](const QByteArray &d) { receiveData(d); });
}

AsyncReceiver::~AsyncReceiver()
{
    m_engine.port().setOnReceiveData({});
}

bool AsyncReceiver::trxActive() const
{
    return m_trx->isActive();
}

bool AsyncReceiver::SendAsync(const QByteArray &text)
{
    if (m_engine.exchanging())
        return false;
    m_lastCommand = text;
    m_rxBuffer.clear();
    m_rxMax = 0;
    m_rxSuppressed = false;
    TCommPortDriver &port = m_engine.port();
    if (!port.OpenPort())
        return false;
    return port.SendText(text);
}

void AsyncReceiver::receiveData(const QByteArray &data)
{
    if (m_rxSuppressed || data.isEmpty())
        return;
    m_rxBuffer.append(data);
    if (!m_trx->isActive())
        m_trx->start();
}

void AsyncReceiver::tick()
{
    const int n = int(m_rxBuffer.size());
    if (m_status) {
        m_status->setLabelText(StatusLabel::LMstate, Format(QStringLiteral("%d байт"), {n}));
        m_status->setLabelText(StatusLabel::LuState, Format(QStringLiteral("Принимаю ответ %d байт"), {n}));
    }
    if (m_rxMax < n) {
        m_rxMax = n;
        return;
    }
    m_trx->stop();
    if (m_status) {
        m_status->StatusOk(StatusLabel::LuState, Format(QStringLiteral("Принял ответ %d байт"), {n}));
        m_status->StatusOk(StatusLabel::LDstate, Format(QStringLiteral("%d байт"), {n}));
    }
    if (m_rxMax == 0) {
        if (m_status) {
            m_status->StatusFail(StatusLabel::LuState, QStringLiteral("НЕТ ОТВЕТА"));
            m_status->StatusFail(StatusLabel::LDstate, Format(QStringLiteral("%d байт"), {n}));
        }
        return;
    }
    RxCompletion *h = m_servicePageActive ? m_service : m_modem;
    if (h)
        h->rxComplete(m_rxBuffer);
}

} // namespace pim
