#include <gtest/gtest.h>

#include <QCoreApplication>

// The imager links run their reports and serial events through the application's events.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
