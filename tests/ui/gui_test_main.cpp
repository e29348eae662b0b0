// Runs GUI tests without a display unless the caller chose a platform.
#include "ui/background_task.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The window remembers things in the person's settings; tests keep theirs apart.
    const QTemporaryDir userSettings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userSettings.path());
    // Listings, searches and saves end before the test looks, however slow the machine;
    // the tests of the window's responsiveness set the wait back.
    BackgroundTask::setQuietMs(60000);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
