#pragma once

#include <QString>

namespace fw {

// Where the program's own files lie. It runs from a build folder (build/bin, the sample clips in
// build/bin/Samples, the manual in the source tree's docs folder) or from an installed prefix
// (PREFIX/bin, PREFIX/share/framewright/samples, PREFIX/share/doc/framewright).

// The sample clips for a program in program_dir: the Samples folder beside it, else the installed
// one. When neither exists, the one beside the program.
QString SamplesFolder(const QString& program_dir);

// The manual's contents page (index.html): in docs_dir when it holds one, else in the installed
// manual, else in a docs folder beside or above the program. Empty when there is none.
QString ManualContentsPage(const QString& program_dir, const QString& docs_dir);

} // namespace fw
