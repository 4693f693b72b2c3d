#include <gtest/gtest.h>

#include <QCoreApplication>

// The imager links of the demo tests run their reports through the application's events.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
