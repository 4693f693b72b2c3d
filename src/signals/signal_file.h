#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

class QFile;

namespace fw {

// Texts the user sees.
inline constexpr const char* kNotSignalFileText = "Not an ASCII Signal File";
inline constexpr const char* kAddCanceledText = "Add Canceled";
inline constexpr const char* kTimeAxisLabel = "Time (mS)";

// The file is streamed through a buffer of this size; a value token is cut after kSigTokenMax
// characters.
constexpr int kSigBufferSize = 2048;
constexpr int kSigTokenMax = 80;

// Which column of an ASCII signal file holds the time; the number is the column the user sees.
enum class TimeColumn { None = 0, First = 1, Second = 2 };

// What the signal information dialog shows and returns: the proposals going in, the user's
// choice coming out. The time column is shown only.
struct SigInfo {
    double frequency_hz = 0.0;
    double first_sample_ms = 0.0;
    QString signal_name;
    QString axis_label;
    TimeColumn time_column = TimeColumn::None;
};

// Lets the user confirm a signal's timing and names; false when cancelled. The forms library
// installs the dialog; without one, proposals with a frequency above 0 are taken as they are.
using SigInfoAsker = std::function<bool(SigInfo& info)>;
void SetSigInfoAsker(SigInfoAsker asker);
bool AskSigInfo(SigInfo& info);

// A signal: one series of samples at a fixed period, read one by one from its source. Samples
// are not kept in memory; the reader rewinds and reads again whenever it needs them.
class TSigClass {
public:
    virtual ~TSigClass();

    TSigClass(const TSigClass&) = delete;
    TSigClass& operator=(const TSigClass&) = delete;

    // True when no further sample can be read.
    virtual bool EndOfData() = 0;
    virtual QString TypeName() const = 0;
    // TypeName + "." + signal name, or TypeName + "." + source + "/" + signal name.
    virtual QString FullName() const;
    // Back to the first sample.
    virtual void Rewind() = 0;
    // The next sample. NaN for a sample line without a readable value (shown as a gap) and
    // past the end of the data.
    virtual double ReadSample() = 0;

    QString SourceName() const { return source_name_; }
    QString SignalName() const { return signal_name_; }
    QString XAxisLabel() const { return x_axis_label_; }
    QString YAxisLabel() const { return y_axis_label_; }
    double SamplePeriodMs() const { return period_ms_; }
    double FirstSampleMs() const { return first_sample_ms_; }
    int32_t SampleCount() const { return sample_count_; }
    // Time of sample k: first-sample time + k × period.
    double SampleTimeMs(int64_t k) const { return first_sample_ms_ + static_cast<double>(k) * period_ms_; }

    // Rewinds and reads all SampleCount() samples (convenience for plotting and tools).
    std::vector<double> ReadAllSamples();

protected:
    TSigClass() = default;

    QString source_name_;
    QString signal_name_;
    QString x_axis_label_ = QString::fromLatin1(kTimeAxisLabel);
    QString y_axis_label_;
    double period_ms_ = 0.0;
    double first_sample_ms_ = 0.0;
    int32_t sample_count_ = 0;
};

// A signal read from a text file of numbers in columns. The file is opened read-only and
// streamed through a kSigBufferSize buffer; offsets are 64-bit, so files past 2 GB are fine.
// Fields are separated by tabs, spaces and commas; lines end with LF, CR or both, and lines
// holding only separators are blank lines, which never count as samples.
class TASCIISigClass : public TSigClass {
public:
    // Throws fw::Error with the system's file error when the file cannot be opened.
    explicit TASCIISigClass(const QString& file_name);
    ~TASCIISigClass() override;

    bool EndOfData() override;
    QString TypeName() const override; // "ASCII"
    // Seeks to the first data line and refills the buffer.
    void Rewind() override;

    QString FileName() const { return file_name_; }
    int64_t FirstDataOffset() const { return first_data_offset_; }

protected:
    // Character reader: -1 past the end of the file. Any byte of the file, NUL included, is a
    // character.
    int GetChar();
    void SeekTo(int64_t offset);
    int64_t Position() const;
    static bool IsSeparator(int c);
    static bool IsLineEnd(int c) { return c == '\n' || c == '\r'; }

    // Tokens. A token is at most kSigTokenMax characters; the rest of a longer token is
    // dropped so it never passes for the next field. The *InLine readers skip separators within
    // the current line only and return false, before the line end, when it has no further field.
    bool ReadNumberInLine(double& value);
    bool SkipFieldInLine();
    // To the end of the current line (the line end itself stays).
    void NextLine();
    // Skips separators and line ends; true when a further non-blank line follows.
    bool SkipBlank();

    // Converts a token with the program's number syntax (C locale; comma is a separator, so
    // never a decimal mark). False on anything that is not a finite number.
    static bool ParseNumber(const char* text, int length, double& value);

    // The first two words of the file, across lines (either may stay empty).
    void ReadHeaderWords(QString& first, QString& second);
    // Finds the first line whose first token is a number; throws kNotSignalFileText.
    void FindFirstDataLine();
    // Counts the non-blank lines from the first data line to the end (at most INT32_MAX), then
    // rewinds.
    int32_t CountSamples();

    QString file_name_;
    int64_t first_data_offset_ = 0;
    int64_t data_start_ = 0; // past a byte-order mark

private:
    bool Refill();
    // Moves on while keep(next character) holds; returns the character it stopped at, unread,
    // or -1 at the end of the file.
    template <typename Keep> int ScanWhile(Keep keep);
    bool SkipSeparatorsInLine();
    int CollectToken(char (&token)[kSigTokenMax]);

    std::unique_ptr<QFile> file_;
    char buffer_[kSigBufferSize];
    int cursor_ = 0;
    int end_ = 0;
    bool last_block_ = false;
    int64_t buffer_offset_ = 0; // file offset of buffer_[0]
};

// The ASCII signal the program uses: one value column, with or without a time column.
class TASCIIColumn : public TASCIISigClass {
public:
    // Opens the file, works out the proposals, asks the user through the installed asker and
    // counts the samples. Throws kNotSignalFileText when no line starts with a number and
    // kAddCanceledText when the user cancels.
    explicit TASCIIColumn(const QString& file_name);
    // An empty asker means the installed one.
    TASCIIColumn(const QString& file_name, const SigInfoAsker& asker);

    // The value of the next sample line: column 2 when time is in column 1, else column 1.
    double ReadSample() override;

    TimeColumn TimeMode() const { return time_mode_; }
    // 1000 when the time column is in seconds, 1 when in milliseconds.
    double UnitFactor() const { return unit_factor_; }
    // What was proposed to the user before the dialog changed anything.
    const SigInfo& Proposal() const { return proposal_; }
    QString FirstHeaderWord() const { return header_words_[0]; }
    QString SecondHeaderWord() const { return header_words_[1]; }

private:
    void Open(const SigInfoAsker& asker);
    void Propose();

    TimeColumn time_mode_ = TimeColumn::None;
    double unit_factor_ = 1.0;
    SigInfo proposal_;
    QString header_words_[2];
};

// The proposed signal name: the file name without its folder and without everything from its
// first ".".
QString SignalNameOf(const QString& file_name);

} // namespace fw
