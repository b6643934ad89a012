// What a modem sends back on the modem page: any bytes as the reply to a
// raw command, a dial or a hang-up, read by the dialer's cleaning (the
// echo of the last command removed, only upper-case Latin letters kept),
// listed character by character in the terminal memo, and explained.
// Input: a mode byte (which command was last), then the reply.
//
// Checked: the cleaned word holds only A..Z and never more letters than the
// reply; the listing has one line per byte; a dialer with no port open
// takes the reply, memo shown, without a crash and stays idle.

#include "links/AsyncReceiver.h"
#include "links/ExchangeEngine.h"
#include "links/ModemDialer.h"
#include "links/TerminalMemo.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

using namespace pim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz";
    static char *argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    static ExchangeEngine engine;
    static AsyncReceiver rx(engine, nullptr);
    static ModemDialer dialer(engine, rx, nullptr);

    if (size == 0 || size > 4096)
        return 0;
    static const QByteArray commands[] = {QByteArray(), "ATH\r", "ATDT9W8W495123\r", "ATDP525\r", "AT\r"};
    const QByteArray &last = commands[data[0] % std::size(commands)];
    const QByteArray reply(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const QString word = ModemDialer::clean(reply, last);
    qsizetype letters = 0;
    for (char c : reply)
        letters += c >= 'A' && c <= 'Z';
    if (word.size() > letters)
        __builtin_trap();
    for (QChar c : word)
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            __builtin_trap();
    (void)ModemDialer::resultExplanation(word);
    (void)ModemDialer::noLinkText(QString::fromLatin1(reply.left(20)));
    const QStringList listing = ModemDialer::charListing(reply);
    if (listing.size() != reply.size())
        __builtin_trap();

    engine.memo().setVisible(data[0] & 0x80);
    dialer.rxComplete(reply);
    if (dialer.ModemState() != ModemDialer::Idle)
        __builtin_trap();
    engine.memo().reset();
    return 0;
}
