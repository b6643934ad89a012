// The workflows wait by running the event loop: the tests need an application.

#include "base/FormatSettings.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Pinned conventions: dates "dd.mm.yyyy", '.' as the decimal separator.
    pim::FormatSettings fs = pim::FormatSettings::russian();
    fs.decimalSeparator = QLatin1Char('.');
    pim::setFormatSettings(fs);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
