#pragma once
// The asynchronous receive path: bytes that arrive on their own while the
// service page or the modem page is shown (a console reply, the modem's
// answers to AT commands). They gather in RxBuffer; a 200 ms tick reports
// the growing count and, once the buffer stops growing, hands it to the
// service console or the modem handler.

#include "links/StatusSink.h"

#include <QByteArray>
#include <QObject>

class QTimer;

namespace pim {

class ExchangeEngine;

// Who takes a completed reception.
class RxCompletion {
public:
    virtual ~RxCompletion() = default;
    virtual void rxComplete(const QByteArray &buffer) = 0;
};

class AsyncReceiver : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 200;

    // Takes over the port's receive event.
    AsyncReceiver(ExchangeEngine &engine, StatusSink *status, QObject *parent = nullptr);
    ~AsyncReceiver() override;

    void setStatus(StatusSink *s) { m_status = s; }
    void setServiceHandler(RxCompletion *h) { m_service = h; }
    void setModemHandler(RxCompletion *h) { m_modem = h; }
    // The active main page is the service page "ОТЛАДКА".
    void setServicePageActive(bool on) { m_servicePageActive = on; }

    const QByteArray &RxBuffer() const { return m_rxBuffer; }
    int RxMax() const { return m_rxMax; }
    bool RxSuppressed() const { return m_rxSuppressed; }
    // False only while the service or modem page is shown (or after one of
    // them sent something); hiding them sets it again.
    void setRxSuppressed(bool on) { m_rxSuppressed = on; }
    QByteArray LastCommand() const { return m_lastCommand; }
    bool trxActive() const;

    // Sends a text on the asynchronous path; false when the port cannot be
    // opened, not all was written, or an exchange holds the link.
    bool SendAsync(const QByteArray &text);

    // The port's receive event.
    void receiveData(const QByteArray &data);
    // One Trx tick (the timer runs it every 200 ms while receiving).
    void tick();

private:
    ExchangeEngine &m_engine;
    StatusSink *m_status;
    RxCompletion *m_service = nullptr;
    RxCompletion *m_modem = nullptr;
    QTimer *m_trx;
    QByteArray m_rxBuffer;
    QByteArray m_lastCommand;
    int m_rxMax = 0;
    bool m_rxSuppressed = true;
    bool m_servicePageActive = false;
};

} // namespace pim
