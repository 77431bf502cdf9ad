#include <gtest/gtest.h>

#include <QCoreApplication>

// Every test program has an application object, so queued calls and timers work.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
