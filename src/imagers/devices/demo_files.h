#pragma once

#include <QString>

namespace fw {

// The simulators the demo devices run, found for a program in program_dir: in a build folder
// beside it (build/bin, the libraries in build/lib) or installed under a prefix (PREFIX/bin, the
// libraries in PREFIX/lib/framewright).
struct TDemoFiles {
    QString simulator; // the imager simulator program
    QString gpib_library; // the simulated GPIB driver library
    QString imaq_library; // the simulated frame-grabber library

    static TDemoFiles Find(const QString& program_dir);
};

// The imager simulator's path beside the program, whether it is there or not.
QString DemoSimulatorPath(const QString& program_dir);
// The device library of that file name in the build or the installed layout; empty when
// neither holds it.
QString DemoLibraryPath(const QString& program_dir, const QString& file_name);

} // namespace fw
