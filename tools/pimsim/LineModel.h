#pragma once
// What happens between the device and the host: frames assembled from a
// byte stream that may arrive split or mixed with noise, the faults a real
// line shows on request, the transcript, and the pacing of bytes at the
// line rate.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QRandomGenerator64>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace pimsim {

// Host bytes -> request frames. A frame is taken by its length byte and
// accepted only with a correct checksum; bytes that cannot start a frame
// are dropped one at a time, so the next real frame is found again.
class FrameAssembler {
public:
    QList<QByteArray> feed(const QByteArray &bytes);
    // A pause on the line: an unfinished frame is given up.
    void reset() { m_buf.clear(); }
    bool pending() const { return !m_buf.isEmpty(); }
    int dropped() const { return m_dropped; }

private:
    QByteArray m_buf;
    int m_dropped = 0;
};

enum class FaultKind { Junk, Echo, Truncate, Silence, WrongNumber, BadChecksum, Split, Short };

struct Piece {
    QByteArray bytes;
    int gapMs = 0; // silence on the line before these bytes
    // Called when the first byte of the piece goes on the line (a datagram:
    // when it is sent).
    std::function<void()> onSent = {};
};

// Faults chosen on the command line: "KIND" (every reply), "KIND=P"
// (probability P), "KIND@N[,N...]" (at the given request numbers, 1-based).
class Faults {
public:
    static QStringList kindNames();
    bool add(const QString &faultText, QString *error);
    bool empty() const { return m_rules.isEmpty(); }
    void setSplitGap(int ms) { m_splitGapMs = ms; }

    // The pieces that go on the line for request number `n`; `applied`
    // receives the names of the faults that struck.
    QList<Piece> apply(int n, const QByteArray &request, const QByteArray &reply,
                       QRandomGenerator64 &rng, QStringList *applied = nullptr) const;

private:
    struct Rule {
        FaultKind kind;
        double probability = 0;
        QSet<int> at;
    };
    bool strikes(const Rule &r, int n, QRandomGenerator64 &rng) const;
    QList<Rule> m_rules;
    int m_splitGapMs = 60;
};

// Every request and reply as a hex line with a time stamp: a request when
// it was taken from the line, a reply when it went out (its first byte; a
// datagram when it was sent), after any delay, pause or pacing.
//   2026-12-10 12:00:00.123 > 06 E5 34 12 01 CE
//   2026-12-10 12:00:00.125 < 06 E5 34 12 01 CE
// A line "# ..." names the faults applied to the reply that follows.
class Transcript {
public:
    bool open(const QString &path, QString *error);
    bool isOpen() const { return m_file.isOpen(); }
    void request(const QByteArray &bytes) { line('>', bytes); }
    void reply(const QByteArray &bytes) { line('<', bytes); }
    void note(const QString &text);

private:
    void line(char dir, const QByteArray &bytes);
    QFile m_file;
};

QString hexBytes(const QByteArray &bytes);

// Puts pieces on the line as a line at `baud` bit/s (10 bits a byte) would:
// each after its gap, every byte when its last bit is in, on a schedule
// kept against one clock so that timer delays never add up. The reply to a
// request starts no earlier than the request itself has taken on the line
// (the pseudo-terminal or the socket delivers it at once). With `whole` a
// piece goes out in one write once its last byte is due (one datagram).
// Without a rate the bytes go at once, after their gaps.
class Pacer : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(const QByteArray &)>;
    Pacer(Sink sink, int baud, bool whole, QObject *parent = nullptr);
    // `requestBytes`: the size of the request these pieces answer. `to`
    // replaces the sink for these pieces (a datagram's sender).
    void send(const QList<Piece> &pieces, int requestBytes = 0, Sink to = {});
    void clear();
    bool busy() const { return !m_queue.isEmpty(); }

private:
    void pump();
    double nowMs() const;
    double msPerByte() const { return m_baud > 0 ? 10000.0 / m_baud : 0.0; }
    struct Item {
        Piece piece;
        Sink to;
        double startMs = 0; // when its first bit goes on the line
        int done = 0;       // bytes written so far
    };
    Sink m_sink;
    int m_baud;
    bool m_whole;
    QList<Item> m_queue;
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_lineFreeMs = 0; // when the last byte scheduled is through
};

} // namespace pimsim
