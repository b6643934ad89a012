#pragma once
// What several pimctl commands share: the road that counts an archive
// read's record requests for the progress line, and reply or data bytes as
// typed on the command line.

#include "CtlOutput.h"

#include "protocol/Frame.h"
#include "protocol/Tab.h"
#include "workflows/LinkRoad.h"

#include <functional>
#include <string>
#include <vector>

namespace pimctl {

class CountingRoad : public pim::LinkRoad {
public:
    CountingRoad(pim::ExchangeEngine &engine, std::function<void()> identify, CtlUi &ui)
        : LinkRoad(engine, std::move(identify)), m_ui(ui)
    {
    }
    bool exchange(pim::Tab &io) override
    {
        const bool record = io.size() > 4 && io.at(4) == pim::Q_Arhiv;
        if (record)
            m_ui.archiveRequest();
        const bool ok = LinkRoad::exchange(io);
        if (record && ok)
            m_ui.archiveRecord();
        return ok;
    }

private:
    CtlUi &m_ui;
};

// Hex digits in either case, one or two to a byte (an optional 0x),
// separated by blanks, commas or semicolons; a longer group is a run of
// two-digit bytes. False for anything else.
bool parseBytes(const std::vector<std::string> &items, pim::Tab &out);

} // namespace pimctl
