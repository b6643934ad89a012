#include "SimServer.h"

namespace pimsim {

SimServer::SimServer(SimDevice &device, const Faults &faults, Transcript *transcript, quint64 seed, int delayMs)
    : m_device(device), m_faults(faults), m_transcript(transcript), m_rng(seed ^ 0x5A5A5A5Aull), m_delayMs(delayMs)
{
}

QList<Piece> SimServer::respond(const QByteArray &frame)
{
    ++m_requests;
    if (m_transcript)
        m_transcript->request(frame);
    const QByteArray reply = m_device.handle(frame);
    QStringList applied;
    QList<Piece> pieces = m_faults.apply(m_requests, frame, reply, m_rng, &applied);
    if (!pieces.isEmpty())
        pieces.front().gapMs += m_delayMs;
    if (m_transcript) {
        if (!applied.isEmpty())
            m_transcript->note(QStringLiteral("request %1: %2").arg(m_requests).arg(applied.join(QLatin1Char(' '))));
        QByteArray sent;
        for (const Piece &p : pieces)
            sent.append(p.bytes);
        if (!sent.isEmpty()) {
            // The reply's line is written when it goes out, after the
            // delay and any pacing, so its time stamp is the line's.
            Transcript *t = m_transcript;
            pieces.front().onSent = [t, sent] { t->reply(sent); };
        } else {
            m_transcript->note(QStringLiteral("request %1: no reply").arg(m_requests));
        }
    }
    return pieces;
}

} // namespace pimsim
