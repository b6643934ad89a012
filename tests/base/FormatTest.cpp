#include "base/Format.h"

#include <gtest/gtest.h>

using namespace pim;

namespace {
FormatSettings dotSettings()
{
    FormatSettings s = FormatSettings::russian();
    s.decimalSeparator = QLatin1Char('.');
    s.thousandSeparator = QLatin1Char(' ');
    return s;
}

struct Case {
    const char *fmt;
    FmtArgs args;
    const char *expected;
};
} // namespace

// The formats that occur in messages, dumps, traces and reports.
TEST(Format, DirectivesOfTheProgram)
{
    const std::vector<Case> cases = {
        {"%f", {65.43}, "65.43"},
        {"%f", {2.0}, "2.00"},
        {"%f", {-0.001}, "0.00"},
        {"%.2d", {5}, "05"},
        {"%.2d", {123}, "123"},
        {"%.3d", {-5}, "-005"},
        {"%.3d=%d hex=%s", {7, 250, "FA"}, "007=250 hex=FA"},
        {"%s № %d: %S", {"ПИМ-229", 4660, "НА СВЯЗИ!"}, "ПИМ-229 № 4660: НА СВЯЗИ!"},
        {"%10.1f", {3.14159}, "       3.1"},
        {"%-25.1f|", {3.14159}, "3.1                      |"},
        {"%dдн%.2d:%.2d", {3, 4, 5}, "3дн04:05"},
        {"%.5f", {1.0 / 3}, "0.33333"},
        {"скорость ответа %d Kb/ceк", {9600}, "скорость ответа 9600 Kb/ceк"},
        {"%d=%.2d(%s)%s", {0, 6, "06", "\t"}, "0=06(06)\t"},
        {"%s.%df", {"%", 3}, "%.3f"},
        {"%x", {255}, "FF"},
        {"%.4x", {255}, "00FF"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%u", {-1}, "4294967295"},
        {"%5s|%-5s|", {"ab", "cd"}, "   ab|cd   |"},
        {"%.2s", {"abcdef"}, "ab"},
        {"%*d", {5, 42}, "   42"},
        {"%-*.*f|", {8, 3, 1.5}, "1.500   |"},
        {"%1:s %0:s %s", {"a", "b"}, "b a b"},
        {"100%%", {}, "100%"},
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"%.3e", {-0.000123}, "-1.23E-004"},
        {"%g", {1234.5}, "1234.5"},
        {"%g", {0.5}, "0.5"},
        {"%g", {1e20}, "1E+20"},
        {"%n", {1234567.891}, "1 234 567.89"},
        {"%.0n", {999.5}, "1 000"},
        {"%m", {1234.5}, "1 234.50 р."},
        {"%d", {qint64(1) << 40}, "1099511627776"},
        {"%f", {FmtArg::date(36526.5)}, "36526.50"},
        // ties round away from zero, as the operators' reports always did
        {"%.2f", {0.125}, "0.13"},
        {"%.0f", {2.5}, "3"},
        {"%.0f", {-2.5}, "-3"},
        {"%.2f", {0.999}, "1.00"},
        {"%.2f", {0.005}, "0.01"},
        {"%.2f", {0.0004}, "0.00"},
        {"%.1f", {99.96}, "100.0"},
        {"%.3f", {65.4299999}, "65.430"},
        {"%f", {1234567.0}, "1234567.00"},
        // Carries and zeros at the edges of the kept digits; 18 significant
        // digits at most, the rest zeros.
        {"%.0f", {0.4}, "0"},
        {"%.0f", {0.5}, "1"},
        {"%.0f", {9.5}, "10"},
        {"%.2f", {-0.004}, "0.00"},
        {"%.2f", {-0.005}, "-0.01"},
        {"%.3f", {999.9995}, "1000.000"},
        {"%.18f", {1.0 / 3}, "0.333333333333333315"},
        {"%f", {5e-324}, "0.00"},
        {"%.1f", {-123456789012345678.0}, "-123456789012345680.0"},
        {"%.2e", {9.999}, "1.0E+001"},
    };
    const FormatSettings fs = dotSettings();
    for (const Case &c : cases) {
        const FormatResult r = formatChecked(QString::fromUtf8(c.fmt), c.args, fs);
        EXPECT_TRUE(r.ok()) << c.fmt << ": " << r.error.toStdString();
        EXPECT_EQ(r.text.toStdString(), c.expected) << c.fmt;
    }
}

TEST(Format, DecimalSeparatorComesFromTheSettings)
{
    FormatSettings fs = dotSettings();
    fs.decimalSeparator = QLatin1Char(',');
    EXPECT_EQ(formatChecked(u"%.2f %e %g", {2.5, 2.5, 2.5}, fs).text,
              QStringLiteral("2,50 2,50000000000000E+000 2,5"));
}

// Mismatches come back as an error text; nothing is printed past an argument.
TEST(Format, MismatchesAreErrorTexts)
{
    const std::vector<std::pair<const char *, FmtArgs>> cases = {
        {"%d", {1.5}},        // integer directive, real argument
        {"%f", {3}},          // real directive, integer argument
        {"%s", {}},           // no argument
        {"%", {1}},           // lone "%"
        {"abc %", {}},        // "%" at the end
        {"%5", {1}},          // no type letter
        {"%q", {1}},          // unknown type
        {"%s", {42}},         // text directive, integer argument
        {"%d %d", {1}},       // second argument missing
        {"%*d", {"x", 1}},    // "*" needs an integer
        {"%99999999999d", {1}}, // absurd width
        {"%p", {1}},          // pointers are not formatted
    };
    const FormatSettings fs = dotSettings();
    for (const auto &[fmt, args] : cases) {
        const FormatResult r = formatChecked(QString::fromUtf8(fmt), args, fs);
        EXPECT_FALSE(r.ok()) << fmt;
        EXPECT_TRUE(r.text.isEmpty()) << fmt;
    }
    EXPECT_TRUE(formatChecked(u"%s", {}, fs).error.startsWith(QStringLiteral("Нет аргумента")));
    EXPECT_EQ(Format(u"%d", {1.5}), formatChecked(u"%d", {1.5}).error);
}

TEST(Format, SpecialRealsDoNotBreakTheOutput)
{
    const FormatSettings fs = dotSettings();
    EXPECT_EQ(formatChecked(u"%f", {std::nan("")}, fs).text, QStringLiteral("NAN"));
    EXPECT_EQ(formatChecked(u"%f", {1.0 / 0.0}, fs).text, QStringLiteral("INF"));
    EXPECT_EQ(formatChecked(u"%.2f", {1e300}, fs).text.size(), 304);
}
