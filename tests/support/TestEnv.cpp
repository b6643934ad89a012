// Every test executable gets this: the simulator and the command-line tool
// live in the build's bin folder, and widgets render offscreen. ctest's
// ENVIRONMENT property cannot carry two variables through test discovery,
// so they are set here before any test runs (an explicit setting wins).
#include <QByteArray>
#include <QtGlobal>

namespace {
const bool kEnvironmentSet = [] {
    if (qEnvironmentVariableIsEmpty("PIM_BIN_DIR"))
        qputenv("PIM_BIN_DIR", QByteArray(PIM_TEST_BIN_DIR));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    return true;
}();
} // namespace
