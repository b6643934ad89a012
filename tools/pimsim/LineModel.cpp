#include "LineModel.h"

#include "SimLayouts.h"

#include <QDateTime>

#include <cmath>

namespace pimsim {

// ---------------------------------------------------------------- assembler

QList<QByteArray> FrameAssembler::feed(const QByteArray &bytes)
{
    QList<QByteArray> frames;
    m_buf.append(bytes);
    while (!m_buf.isEmpty()) {
        const int len = quint8(m_buf[0]);
        if (len < 6) {
            m_buf.remove(0, 1);
            ++m_dropped;
            continue;
        }
        if (m_buf.size() >= len) {
            const QByteArray cand = m_buf.left(len);
            if (checksumOk(cand)) {
                frames.append(cand);
                m_buf.remove(0, len);
            } else {
                m_buf.remove(0, 1);
                ++m_dropped;
            }
            continue;
        }
        // Not complete yet. Junk whose first byte looks like a long length
        // must not hold back a whole frame that follows it.
        int found = -1;
        for (int p = 1; p + 6 <= m_buf.size() && found < 0; ++p) {
            const int l = quint8(m_buf[p]);
            if (l >= 6 && p + l <= m_buf.size() && checksumOk(m_buf.mid(p, l)))
                found = p;
        }
        if (found < 0)
            break;
        m_buf.remove(0, found);
        m_dropped += found;
    }
    return frames;
}

// ---------------------------------------------------------------- faults

namespace {

const QList<std::pair<QString, FaultKind>> &kindTable()
{
    static const QList<std::pair<QString, FaultKind>> t{
        {QStringLiteral("junk"), FaultKind::Junk},
        {QStringLiteral("echo"), FaultKind::Echo},
        {QStringLiteral("truncate"), FaultKind::Truncate},
        {QStringLiteral("silence"), FaultKind::Silence},
        {QStringLiteral("wrong-number"), FaultKind::WrongNumber},
        {QStringLiteral("bad-checksum"), FaultKind::BadChecksum},
        {QStringLiteral("split"), FaultKind::Split},
        {QStringLiteral("short"), FaultKind::Short},
    };
    return t;
}

} // namespace

QStringList Faults::kindNames()
{
    QStringList names;
    for (const auto &e : kindTable())
        names.append(e.first);
    return names;
}

bool Faults::add(const QString &faultText, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("--fault %1: %2").arg(faultText, why);
        return false;
    };
    QString name = faultText.trimmed().toLower();
    Rule rule;
    rule.probability = 1;
    const int eq = name.indexOf(QLatin1Char('='));
    const int at = name.indexOf(QLatin1Char('@'));
    if (eq >= 0 && at >= 0)
        return fail(QStringLiteral("give a probability or request numbers, not both"));
    if (eq >= 0) {
        bool ok = false;
        rule.probability = name.mid(eq + 1).toDouble(&ok);
        if (!ok || rule.probability < 0 || rule.probability > 1)
            return fail(QStringLiteral("the probability must lie in 0..1"));
        name = name.left(eq);
    } else if (at >= 0) {
        rule.probability = 0;
        const QStringList items = name.mid(at + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (items.isEmpty())
            return fail(QStringLiteral("no request number"));
        for (const QString &item : items) {
            bool ok = false;
            const int n = item.toInt(&ok);
            if (!ok || n < 1)
                return fail(QStringLiteral("request numbers start at 1"));
            rule.at.insert(n);
        }
        name = name.left(at);
    }
    bool known = false;
    for (const auto &[n, kind] : kindTable()) {
        if (n == name) {
            rule.kind = kind;
            known = true;
        }
    }
    if (!known)
        return fail(QStringLiteral("unknown fault; one of %1").arg(kindNames().join(QStringLiteral(", "))));
    m_rules.append(rule);
    return true;
}

bool Faults::strikes(const Rule &r, int n, QRandomGenerator64 &rng) const
{
    if (r.at.contains(n))
        return true;
    if (r.probability >= 1)
        return true;
    return r.probability > 0 && rng.generateDouble() < r.probability;
}

QList<Piece> Faults::apply(int n, const QByteArray &request, const QByteArray &reply,
                           QRandomGenerator64 &rng, QStringList *applied) const
{
    QSet<FaultKind> on;
    for (const Rule &r : m_rules)
        if (strikes(r, n, rng))
            on.insert(r.kind);
    if (applied) {
        for (const auto &[name, kind] : kindTable())
            if (on.contains(kind))
                applied->append(name);
    }

    QList<Piece> pieces;
    if (on.contains(FaultKind::Echo))
        pieces.append({request, 0});
    if (on.contains(FaultKind::Silence) || reply.isEmpty())
        return pieces;

    QByteArray r = reply;
    if (on.contains(FaultKind::WrongNumber)) {
        putU16(r, 2, (getU16(r, 2) % 65535) + 1); // another device, a valid number
        seal(r);
    }
    if (on.contains(FaultKind::Short) && r.size() > 7) {
        // A whole frame that lacks the end of its data: its length byte and
        // checksum agree with what is sent.
        r.truncate(qMax(6, int(r.size()) - 6));
        seal(r);
    }
    if (on.contains(FaultKind::BadChecksum))
        r[r.size() - 1] = char(quint8(r.back()) ^ 0xA5);
    if (on.contains(FaultKind::Truncate) && r.size() > 1)
        r.truncate(1 + int(rng.bounded(quint64(r.size() - 1))));
    if (on.contains(FaultKind::Junk)) {
        // 1..8 bytes of line noise.
        const int count = 1 + int(rng.bounded(8u));
        QByteArray junk;
        for (int k = 0; k < count; ++k)
            junk.append(char(rng.bounded(256u)));
        r.prepend(junk);
    }
    if (on.contains(FaultKind::Split) && r.size() >= 2) {
        const int parts = qMin(int(r.size()), 2 + int(rng.bounded(3u)));
        int pos = 0;
        for (int k = 0; k < parts; ++k) {
            const int end = k == parts - 1 ? int(r.size()) : int(r.size()) * (k + 1) / parts;
            pieces.append({r.mid(pos, end - pos), k == 0 ? 0 : m_splitGapMs});
            pos = end;
        }
    } else {
        pieces.append({r, 0});
    }
    return pieces;
}

// ---------------------------------------------------------------- transcript

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

bool Transcript::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

void Transcript::note(const QString &text)
{
    if (!m_file.isOpen())
        return;
    m_file.write(("# " + text + "\n").toUtf8());
    m_file.flush();
}

void Transcript::line(char dir, const QByteArray &bytes)
{
    if (!m_file.isOpen())
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    m_file.write((stamp + QLatin1Char(' ') + QLatin1Char(dir) + QLatin1Char(' ') + hexBytes(bytes) + QLatin1Char('\n')).toUtf8());
    m_file.flush();
}

// ---------------------------------------------------------------- pacer

Pacer::Pacer(Sink sink, int baud, bool whole, QObject *parent)
    : QObject(parent), m_sink(std::move(sink)), m_baud(baud), m_whole(whole)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Pacer::pump);
    m_clock.start();
}

double Pacer::nowMs() const
{
    return double(m_clock.nsecsElapsed()) / 1e6;
}

void Pacer::send(const QList<Piece> &pieces, int requestBytes, Sink to)
{
    const double now = nowMs();
    const double mpb = msPerByte();
    // The device hears the request's last byte only after the request has
    // been on the line, and answers once its previous reply is through.
    double t = qMax(now + requestBytes * mpb, m_lineFreeMs);
    for (const Piece &p : pieces) {
        t += p.gapMs;
        m_queue.append({p, to, t, 0});
        t += p.bytes.size() * mpb;
    }
    m_lineFreeMs = qMax(m_lineFreeMs, t);
    pump();
}

void Pacer::clear()
{
    m_queue.clear();
    m_timer.stop();
    m_lineFreeMs = 0;
}

void Pacer::pump()
{
    m_timer.stop();
    const double mpb = msPerByte();
    while (!m_queue.isEmpty()) {
        const double now = nowMs();
        Item &it = m_queue.front();
        const int n = int(it.piece.bytes.size());
        // How many of the piece's bytes are through by now.
        int due = 0;
        double next = 0; // when the next byte is through
        if (now >= it.startMs) {
            if (mpb <= 0) {
                due = n;
            } else if (m_whole) {
                next = it.startMs + n * mpb;
                due = now >= next ? n : 0;
            } else {
                due = qMin(n, int(std::floor((now - it.startMs) / mpb + 1e-9)));
                next = it.startMs + (due + 1) * mpb;
            }
        } else {
            next = it.startMs + (m_whole || mpb <= 0 ? n * mpb : mpb);
        }
        if (due > it.done || (n == 0 && now >= it.startMs)) {
            if (it.done == 0 && it.piece.onSent)
                it.piece.onSent();
            const QByteArray b = it.piece.bytes.mid(it.done, due - it.done);
            it.done = due;
            const Sink &sink = it.to ? it.to : m_sink;
            const bool last = it.done >= n;
            if (last) {
                const Sink keep = sink;
                m_queue.removeFirst();
                if (!b.isEmpty())
                    keep(b);
                continue;
            }
            if (!b.isEmpty())
                sink(b);
        }
        if (it.done >= n) {
            m_queue.removeFirst();
            continue;
        }
        m_timer.start(int(qMax(0.0, std::ceil(next - nowMs()))));
        return;
    }
    if (m_queue.isEmpty() && m_lineFreeMs < nowMs())
        m_lineFreeMs = 0;
}

} // namespace pimsim
