// The error decoder: which grid columns hold error codes, and the texts of
// codes read from a clicked cell.

#include "devices/ArhCodec.h"
#include "devices/DeviceSession.h"
#include "devices/Registry.h"
#include "devices/StateCodec.h"
#include "workflows/ErrorDecoder.h"

#include <gtest/gtest.h>

using namespace pim;

namespace {

const QString kMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

// Every column a module writes over an error code is recognised with the
// code's tag, and no other column is: the state grid ("сист", "ошиб") and
// the archive grids ("системы", "уст-ва", "код") name them differently.
TEST(ErrorDecoder, RecognisesTheColumnsTheModulesWrite)
{
    DeviceSession session;
    for (const TypeInfo &t : typeList()) {
        if (t.module == ModuleId::U128)
            continue;
        DeviceModule *m = session.moduleFor(t.type);
        int errors = 0;
        for (const StateViewItem &item : m->state().view().items) {
            EXPECT_EQ(ErrorDecoder::columnTag(item.row1, item.row2), item.tag)
                << t.type << " " << item.row1.toStdString() << "/" << item.row2.toStdString();
            errors += item.tag != StateViewItem::Value;
        }
        EXPECT_EQ(errors, t.module == ModuleId::U25 || t.module == ModuleId::U27 ? 1 : 2) << t.type;

        const QStringList head1 = m->arh()->headerRow(1), head2 = m->arh()->headerRow(2);
        ASSERT_EQ(head1.size(), head2.size());
        int arhErrors = 0;
        for (int c = 0; c < head1.size(); ++c) {
            const int tag = ErrorDecoder::columnTag(head1[c], head2[c]);
            if (head1[c].trimmed() == QStringLiteral("Ошибка"))
                EXPECT_NE(tag, ErrorDecoder::None) << t.type << " " << head2[c].toStdString();
            else
                EXPECT_EQ(tag, ErrorDecoder::None) << t.type << " " << head2[c].toStdString();
            arhErrors += tag != ErrorDecoder::None;
        }
        EXPECT_GE(arhErrors, 1) << t.type;
    }

    struct Case {
        const char *h1, *h2;
        int tag;
    };
    const Case cases[] = {
        {"код ош", "сист", ErrorDecoder::System},
        {"код ош", "уст-ва", ErrorDecoder::Device},
        {"код", "ошиб", ErrorDecoder::Device},
        {"Ошибка", "системы", ErrorDecoder::System},
        {"Ошибка", "уст-ва", ErrorDecoder::Device},
        {"Ошибка", "код", ErrorDecoder::Device},
        {"тип", "сист", ErrorDecoder::None}, // the change log's system type
        {"Ошибка", "ошиб", ErrorDecoder::None},
        {"", "", ErrorDecoder::None},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ErrorDecoder::columnTag(QString::fromUtf8(c.h1), QString::fromUtf8(c.h2)), c.tag)
            << c.h1 << "/" << c.h2;
}

TEST(ErrorDecoder, DecodesTheCellWithoutTouchingTheRecord)
{
    const QString code5 = QStringLiteral("Код=1:\n\rОшибка АЦП.\n\rКод=4:\n\r"
                                         "Напряжении батареи меньше минимально допустимого.\n\r");
    struct Case {
        int type, tag;
        const char *cell;
        QString text;
    };
    const Case cases[] = {
        {238, ErrorDecoder::Device, "5", code5},
        {238, ErrorDecoder::Device, " 5 ", code5},
        {229, ErrorDecoder::Device, "32", QStringLiteral("Код=32:\n\rнеизвестный\n\r")},
        {229, ErrorDecoder::System, "0", QStringLiteral(" НОРМА")},
        {225, ErrorDecoder::System, "8", QStringLiteral("Код=8:\n\rошибка системы измерения температур\n\r")},
        {225, ErrorDecoder::Device, "8", QStringLiteral("Код=8:\n\rошибка системы измерения температур\n\r")},
        {128, ErrorDecoder::Device, "5", kMismatch},
        {-1, ErrorDecoder::Device, "5", kMismatch},
        {226, ErrorDecoder::System, "5", kMismatch},
        {238, ErrorDecoder::None, "5", QString()},
        // A cell without a number has no code to explain.
        {238, ErrorDecoder::Device, "нет данных", QString()},
        {229, ErrorDecoder::System, "", QString()},
        {225, ErrorDecoder::Device, "-", QString()},
    };
    DeviceSession session;
    StateCodec &state = session.moduleFor(238)->state();
    state.setErrorCode(ErrorDecoder::System, 0, 3);
    for (const Case &c : cases) {
        session.setIdentity(c.type, 1);
        EXPECT_EQ(ErrorDecoder::decodeCell(session, c.tag, QString::fromUtf8(c.cell)), c.text) << c.type << " " << c.cell;
    }
    EXPECT_EQ(state.errorCode(ErrorDecoder::System, 0), 3);
    session.setIdentity(238, 1);

    // An archive cell holding 2 explains that code on every type of the
    // device-error table, whatever the state record holds.
    for (int type : {228, 229, 230, 234, 235, 236, 237, 238, 239}) {
        session.setIdentity(type, 1);
        session.module()->state().setErrorCode(ErrorDecoder::Device, 0, 5);
        EXPECT_EQ(ErrorDecoder::decodeCell(session, ErrorDecoder::Device, "2"),
                  QStringLiteral("Код=2:\n\rОшибка записи архива.\n\r"))
            << type;
    }
    session.setIdentity(238, 1);

    // From the record: the code of the asked system.
    state.setErrorCode(ErrorDecoder::System, 1, 5);
    EXPECT_EQ(ErrorDecoder::decode(session, ErrorDecoder::System, 1), ErrorDecoder::decodeCode(session, ErrorDecoder::System, 5));
    EXPECT_EQ(ErrorDecoder::decode(session, ErrorDecoder::System, 0), ErrorDecoder::decodeCode(session, ErrorDecoder::System, 3));
    // The type served now explains its own code, not one another type's
    // record still holds.
    session.setIdentity(225, 1);
    EXPECT_EQ(ErrorDecoder::decode(session, ErrorDecoder::System, 1), QStringLiteral(" НОРМА"));
    session.moduleFor(225)->state().setErrorCode(ErrorDecoder::Device, 0, 8);
    EXPECT_EQ(ErrorDecoder::decode(session, ErrorDecoder::System, 1),
              QStringLiteral("Код=8:\n\rошибка системы измерения температур\n\r"));
    session.setIdentity(128, 1);
    EXPECT_EQ(ErrorDecoder::decode(session, ErrorDecoder::Device, 0), kMismatch);
    session.setIdentity(-1, -1);
    EXPECT_EQ(ErrorDecoder::decode(session, ErrorDecoder::Device, 0), kMismatch);
}

} // namespace
