// The asynchronous receive path: bytes gathered while the service or modem
// page is shown, the 200 ms tick, completion handed to the right handler.

#include "LinkTestSupport.h"
#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"

#include <gtest/gtest.h>

using namespace pim;
using pimtest::PtyPeer;
using pimtest::RecordingStatus;

namespace {
struct Taker : RxCompletion {
    QList<QByteArray> got;
    void rxComplete(const QByteArray &b) override { got.append(b); }
};
const int kLu = int(StatusLabel::LuState);
const int kLD = int(StatusLabel::LDstate);
const int kLM = int(StatusLabel::LMstate);
} // namespace

TEST(AsyncReceive, TicksUntilTheBufferStopsGrowing)
{
    pimtest::app();
    ExchangeEngine engine;
    RecordingStatus status;
    AsyncReceiver rx(engine, &status);
    Taker service, modem;
    rx.setServiceHandler(&service);
    rx.setModemHandler(&modem);

    rx.receiveData("dropped"); // suppressed at start
    EXPECT_TRUE(rx.RxBuffer().isEmpty());
    EXPECT_FALSE(rx.trxActive());

    rx.setRxSuppressed(false);
    rx.receiveData("OK\r");
    EXPECT_TRUE(rx.trxActive());
    rx.tick();
    EXPECT_EQ(status.texts[kLu], QStringLiteral("Принимаю ответ 3 байт"));
    EXPECT_EQ(status.texts[kLM], QStringLiteral("3 байт"));
    EXPECT_EQ(rx.RxMax(), 3);
    rx.receiveData("\n");
    rx.tick(); // grew: wait on
    EXPECT_TRUE(rx.trxActive());
    EXPECT_TRUE(modem.got.isEmpty());
    rx.tick(); // still 4: done
    EXPECT_FALSE(rx.trxActive());
    EXPECT_EQ(status.texts[kLu], QStringLiteral("Принял ответ 4 байт"));
    EXPECT_EQ(status.kinds[kLu], StatusKind::Ok);
    EXPECT_EQ(status.texts[kLD], QStringLiteral("4 байт"));
    ASSERT_EQ(modem.got.size(), 1);
    EXPECT_EQ(modem.got[0], QByteArray("OK\r\n"));
    EXPECT_TRUE(service.got.isEmpty());

    // On the service page the console takes it.
    rx.setServicePageActive(true);
    rx.receiveData("abc");
    rx.tick();
    rx.tick();
    ASSERT_EQ(service.got.size(), 1);
}

TEST(AsyncReceive, NothingReceivedReadsNoAnswer)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    ExchangeEngine engine;
    engine.port().setPortName(peer.slavePath());
    RecordingStatus status;
    AsyncReceiver rx(engine, &status);
    Taker modem;
    rx.setModemHandler(&modem);
    rx.setRxSuppressed(false);
    rx.receiveData("old");
    // A new send empties the buffer while the timer still runs; the next
    // tick finds nothing more than before: the reception ends empty.
    ASSERT_TRUE(rx.SendAsync("AT\r"));
    EXPECT_EQ(rx.LastCommand(), QByteArray("AT\r"));
    EXPECT_FALSE(rx.RxSuppressed());
    rx.tick();
    EXPECT_FALSE(rx.trxActive());
    EXPECT_EQ(status.texts[kLu], QStringLiteral("НЕТ ОТВЕТА"));
    EXPECT_EQ(status.kinds[kLu], StatusKind::Fail);
    EXPECT_EQ(status.texts[kLD], QStringLiteral("0 байт"));
    EXPECT_TRUE(modem.got.isEmpty());
}

TEST(AsyncReceive, PortBytesReachTheBufferThroughThePoll)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    peer.answer = [](const QByteArray &, int) { return QByteArray(); };
    ExchangeEngine engine;
    engine.port().setPortName(peer.slavePath());
    RecordingStatus status;
    AsyncReceiver rx(engine, &status);
    Taker modem;
    rx.setModemHandler(&modem);
    ASSERT_TRUE(rx.SendAsync(QByteArray("\x06\x00\x00\x00\x00\xFA", 6)));
    peer.write("CONNECT 9600\r\n");
    // The poll (50 ms) delivers, the 200 ms tick sees it grow, then stop.
    for (int i = 0; i < 30 && modem.got.isEmpty(); ++i)
        defaultWaiter().Pause(50);
    ASSERT_EQ(modem.got.size(), 1);
    EXPECT_EQ(modem.got[0], QByteArray("CONNECT 9600\r\n"));
    EXPECT_EQ(status.texts[kLu], QStringLiteral("Принял ответ 14 байт"));
}
