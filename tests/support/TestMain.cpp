#include <gtest/gtest.h>

#include <QCoreApplication>

// Tests run inside a Qt application object so that Qt's locale and codec services work.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
