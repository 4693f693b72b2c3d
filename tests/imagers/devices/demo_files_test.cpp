#include "imagers/devices/demo_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace fw {
namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// A build folder keeps the libraries in build/lib beside build/bin; an installed program keeps
// them in PREFIX/lib/framewright. The simulator lies beside the program in both.
TEST(DemoFiles, FoundInTheBuildAndTheInstalledLayout)
{
    QTemporaryDir root;
    Touch(root.filePath("build/bin/fw-imager-sim"));
    Touch(root.filePath("build/lib/libfw-gpib-sim.so"));
    Touch(root.filePath("build/lib/libfw-imaq-sim.so"));
    const TDemoFiles build = TDemoFiles::Find(root.filePath("build/bin"));
    EXPECT_EQ(build.simulator, root.filePath("build/bin/fw-imager-sim"));
    EXPECT_EQ(build.gpib_library, root.filePath("build/lib/libfw-gpib-sim.so"));
    EXPECT_EQ(build.imaq_library, root.filePath("build/lib/libfw-imaq-sim.so"));

    Touch(root.filePath("usr/lib/framewright/libfw-gpib-sim.so"));
    const TDemoFiles installed = TDemoFiles::Find(root.filePath("usr/bin"));
    EXPECT_EQ(installed.gpib_library, root.filePath("usr/lib/framewright/libfw-gpib-sim.so"));
    EXPECT_EQ(installed.imaq_library, QString());
    // The simulator's path is named even when it is missing, for the message that says so.
    EXPECT_EQ(installed.simulator, root.filePath("usr/bin/fw-imager-sim"));
}

} // namespace
} // namespace fw
