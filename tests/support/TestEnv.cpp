// Every test executable gets this: the simulator and the command-line tool
// live in the build's bin folder, widgets render offscreen, and every test
// works in a fresh temporary folder of its own, so the trace and dump files
// the program writes to its current directory never land in the build or
// source tree. ctest's ENVIRONMENT property cannot carry two variables
// through test discovery, so they are set here before any test runs (an
// explicit setting wins).
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// Changes into a fresh folder before each test and back to the
// executable's own folder after it, removing what the test left.
class OwnFolderPerTest : public ::testing::EmptyTestEventListener {
public:
    explicit OwnFolderPerTest(QString home) : m_home(std::move(home)) {}

    void OnTestStart(const ::testing::TestInfo &) override
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir(m_home).filePath(QStringLiteral("test-XXXXXX")));
        if (!m_dir->isValid() || !QDir::setCurrent(m_dir->path()))
            std::fprintf(stderr, "TestEnv: no folder of its own for the test in %s\n", qPrintable(m_home));
    }
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        QDir::setCurrent(m_home);
        m_dir.reset();
    }

private:
    QString m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
};

const bool kEnvironmentSet = [] {
    if (qEnvironmentVariableIsEmpty("PIM_BIN_DIR"))
        qputenv("PIM_BIN_DIR", QByteArray(PIM_TEST_BIN_DIR));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    // The executable's folder, removed when it ends; even code that runs
    // outside a test (discovery, static set-up) writes there.
    static QTemporaryDir home(QDir::temp().filePath(QStringLiteral("pim-test-XXXXXX")));
    if (home.isValid() && QDir::setCurrent(home.path()))
        ::testing::UnitTest::GetInstance()->listeners().Append(new OwnFolderPerTest(home.path()));
    else
        std::fprintf(stderr, "TestEnv: no temporary folder for the tests\n");
    return true;
}();

} // namespace
