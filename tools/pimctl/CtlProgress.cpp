#include "CtlProgress.h"

#include <cmath>

namespace pimctl {

qint64 CtlProgress::remainingMs(int done, int asked, qint64 elapsedMs)
{
    if (done <= 0 || elapsedMs < 0)
        return -1;
    const int left = qMax(0, asked - done);
    return qint64(std::llround(double(elapsedMs) / done * left));
}

QString CtlProgress::duration(qint64 ms)
{
    const qint64 s = qMax<qint64>(0, (ms + 500) / 1000);
    const QLatin1Char zero('0');
    if (s < 3600)
        return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, zero).arg(s % 60, 2, 10, zero);
}

QString CtlProgress::line(int done, int asked, qint64 elapsedMs)
{
    // More records than asked for: retried requests, never a negative rest.
    asked = qMax(asked, done);
    QString t = QStringLiteral("архив: %1 из %2 записей, прошло %3").arg(done).arg(asked).arg(duration(elapsedMs));
    const qint64 left = remainingMs(done, asked, elapsedMs);
    if (left >= 0)
        t += QStringLiteral(", осталось ") + duration(left);
    return t;
}

bool CtlProgress::due(bool terminal, qint64 nowMs, qint64 lastShownMs)
{
    if (lastShownMs < 0)
        return true;
    return nowMs - lastShownMs >= (terminal ? kDrawEveryMs : kLogEveryMs);
}

} // namespace pimctl
