#pragma once
// The program's road to a device: the exchange engine of the links layer,
// and the identity command given by the caller (the window's, or the
// command line's).

#include "workflows/DeviceRoad.h"

#include <functional>

namespace pim {

class ExchangeEngine;

class LinkRoad : public DeviceRoad {
public:
    explicit LinkRoad(ExchangeEngine &engine, std::function<void()> identify = {});

    bool exchange(Tab &io) override;
    void identify() override;
    bool imitation() const override;
    Waiter &waiter() override;
    bool beginCommand() override;
    void endCommand() override;
    QString busyText() const override;
    void wakeLine() override;
    int replyTimeout() const override;
    void setReplyTimeout(int ms) override;

    ExchangeEngine &engine() { return m_engine; }
    void setIdentify(std::function<void()> f) { m_identify = std::move(f); }

private:
    ExchangeEngine &m_engine;
    std::function<void()> m_identify;
};

} // namespace pim
