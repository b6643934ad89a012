#pragma once
// One simulated device on one line: numbers the requests, writes the
// transcript, asks the device, and lets the configured faults and the reply
// delay shape what goes back.

#include "LineModel.h"
#include "SimDevice.h"

#include <QRandomGenerator64>

namespace pimsim {

class SimServer {
public:
    SimServer(SimDevice &device, const Faults &faults, Transcript *transcript, quint64 seed, int delayMs);

    // A complete request frame -> the pieces to put on the line.
    QList<Piece> respond(const QByteArray &frame);
    int requests() const { return m_requests; }
    SimDevice &device() { return m_device; }

private:
    SimDevice &m_device;
    Faults m_faults;
    Transcript *m_transcript;
    QRandomGenerator64 m_rng;
    int m_delayMs;
    int m_requests = 0;
};

} // namespace pimsim
