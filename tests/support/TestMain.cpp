#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#ifdef TARVEL_TEST_GUI
#include <QApplication>
#endif

// Every test program has an application object, so queued calls and timers work, and its own
// XDG folders, so neither it nor the tarvelctl it runs touches the user's settings or history.
int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(name, (home.path() + "/" + name).toUtf8());
#ifdef TARVEL_TEST_GUI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
