#pragma once
// Common set-up of the state tests: '.' as decimal separator, the "%f"
// display format and a known device identity.

#include "base/FormatSettings.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable failure output for texts and lists of texts.
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
[[maybe_unused]] static void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '{';
    for (const QString &s : l)
        *os << " \"" << s.toStdString() << '"';
    *os << " }";
}

namespace pim::test {

class StateTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = formatSettings();
        FormatSettings s = FormatSettings::russian();
        s.decimalSeparator = QLatin1Char('.');
        setFormatSettings(s);
    }
    void TearDown() override { setFormatSettings(m_saved); }
    void identify(int type) { m_dev = Identity{type, 0x1234}; }

    // The device the replies are checked against.
    Identity m_dev{0, 0x1234};

private:
    FormatSettings m_saved;
};

} // namespace pim::test
