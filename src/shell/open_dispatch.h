#pragma once

#include <functional>

#include <QString>
#include <QStringList>

namespace fw {

// File types by the text found in the name; 0 when the name carries none of them.
enum class OpenFileType : int {
    None = 0,
    Avi = 1,
    Dib = 2,
    Tif = 3,
    Bay = 4,
    Kfs = 5,
    Txt = 6,
    Asc = 7,
    Prn = 8,
    Csv = 9,
};

// The type of a file name: its upper-case name without directory is searched for ".AVI",
// ".DIB", ".TIF", ".BAY", ".KFS", ".TXT", ".ASC", ".PRN", ".CSV" from the last to the first,
// and the first one found anywhere in the name wins (so "x.avi.txt" is a signal file).
OpenFileType FileTypeOf(const QString& file_name);
bool IsSignalType(OpenFileType type);

// The directory part of a name, up to and including its last "/"; empty without one.
QString DirectoryOf(const QString& file_name);

// How the queue's names are opened. open_window opens one clip, BAY or TIFF name and throws
// fw::Error with the user's message when it cannot; open_signals gets every signal file of a
// pass at once; report shows one error message.
struct OpenHandlers {
    std::function<void(const QString& file_name, OpenFileType type)> open_window;
    std::function<void(const QStringList& file_names)> open_signals;
    std::function<void(const QString& message)> report;
};

// The names waiting to be opened (open dialog, command line, a second start). Each dispatch
// opens at most one window per pass, so a long list opens over several timer ticks; names
// without a type wait for ever and are never reported.
class OpenQueue {
public:
    void Append(const QString& file_name) { names_.append(file_name); }
    void Append(const QStringList& file_names) { names_.append(file_names); }
    bool Empty() const { return names_.isEmpty(); }
    const QStringList& Names() const { return names_; }
    // Directory of the last name handled, the open dialog's next start.
    QString LastDirectory() const { return last_directory_; }
    void SetLastDirectory(const QString& directory) { last_directory_ = directory; }

    // One tick's worth: a pass over the signal files, then one over the clip types.
    void Dispatch(const OpenHandlers& handlers);

private:
    // Returns false when an error ended this tick's processing.
    bool RunPass(const OpenHandlers& handlers, bool signal_pass);

    QStringList names_;
    QString last_directory_;
};

} // namespace fw
