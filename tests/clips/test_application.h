#pragma once

#include <QCoreApplication>

namespace fw::test {

// Saves hand their progress to the starting thread through its event loop, so tests of them need
// an application object; one is made the first time it is asked for and kept for the program.
inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "fw_clips_tests";
    static char* argv[] = { name, nullptr };
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

} // namespace fw::test
