#pragma once
// Shared pieces of the configuration tests: reply frames written field by
// field at the offsets of the configuration tables (checksum computed here,
// not by the protocol code), a status recorder, and a fixture that pins the
// decimal separator, the display format, the identity and today's date.

#include "base/FormatSettings.h"
#include "devices/ParamCodec.h"
#include "devices/ParamStatus.h"
#include "devices/ValueFormat.h"
#include "protocol/Frame.h"
#include "protocol/Tab.h"

#include <QDate>
#include <QList>
#include <QPair>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure output for texts.
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace pim::test {

class ParamFrame {
public:
    ParamFrame(int length, int type, int number, int code = 5);
    ParamFrame &u8(int off, int v);
    ParamFrame &u16(int off, int v);
    ParamFrame &f32(int off, float v);
    pim::Tab tab() const; // with the checksum in the last byte
    pim::Tab raw() const; // checksum byte as it stands

private:
    QByteArray m_b;
};

class RecordingStatus final : public pim::ParamStatus {
public:
    void showStatus(Kind kind, const QString &text) override { entries.append({kind, text}); }
    bool lastOk() const override { return !entries.isEmpty() && entries.last().first == Kind::Ok; }
    QString last() const { return entries.isEmpty() ? QString() : entries.last().second; }
    bool lastFailed() const { return !entries.isEmpty() && entries.last().first == Kind::Fail; }
    void clear() { entries.clear(); }
    QList<QPair<Kind, QString>> entries;
};

inline constexpr int kNumber = 0x1234;
// A non-leap year, so the 29 February rule shows.
inline QDate fixedToday() { return QDate(2027, 3, 10); }

// Hand-written replies of every module (see ParamFixture.cpp for the
// values); each round-trips unchanged through page and encoder.
pim::Tab reply34(int type = 234);
pim::Tab reply29(int type = 229);
pim::Tab reply28();
pim::Tab reply25();
pim::Tab reply27();
pim::Tab reply128();

class ParamTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A codec of the module, today pinned, identity set to (type, kNumber).
    std::unique_ptr<pim::ParamCodec> codec(pim::ModuleId id, int type);

    RecordingStatus status;
    // The device the replies are checked against, and the lists' format.
    pim::Identity m_dev{-1, -1};
    pim::ValueFormat m_format;

private:
    pim::FormatSettings m_saved;
};

} // namespace pim::test
