#include "signals/signal_file.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include <QFile>
#include <QFileInfo>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr std::array<bool, 256> kSeparators = [] {
    std::array<bool, 256> table {};
    for (const unsigned char c : { '\t', '\n', '\r', ' ', ',' })
        table[c] = true;
    return table;
}();

// Called per character of the file: kept inline in the scanning loops.
inline bool isSeparator(int c)
{
    return kSeparators[static_cast<unsigned char>(c)];
}
inline bool isLineEnd(int c)
{
    return c == '\n' || c == '\r';
}

SigInfoAsker& installedAsker()
{
    static SigInfoAsker asker;
    return asker;
}

} // namespace

void SetSigInfoAsker(SigInfoAsker asker)
{
    installedAsker() = std::move(asker);
}

bool AskSigInfo(SigInfo& info)
{
    if (installedAsker())
        return installedAsker()(info);
    // Nobody to ask: take the proposals when they are usable.
    return std::isfinite(info.frequency_hz) && info.frequency_hz > 0.0;
}

QString SignalNameOf(const QString& file_name)
{
    const QString base = QFileInfo(file_name).fileName();
    const qsizetype dot = base.indexOf(QLatin1Char('.'));
    return dot < 0 ? base : base.left(dot);
}

// ---------------------------------------------------------------------------------------------

TSigClass::~TSigClass() = default;

QString TSigClass::FullName() const
{
    if (source_name_.isEmpty())
        return TypeName() + QLatin1Char('.') + signal_name_;
    return TypeName() + QLatin1Char('.') + source_name_ + QLatin1Char('/') + signal_name_;
}

std::vector<double> TSigClass::ReadAllSamples()
{
    Rewind();
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(std::max<int32_t>(sample_count_, 0)));
    for (int32_t k = 0; k < sample_count_; ++k)
        samples.push_back(ReadSample());
    return samples;
}

// ---------------------------------------------------------------------------------------------

TASCIISigClass::TASCIISigClass(const QString& file_name)
    : file_name_(file_name)
    , file_(std::make_unique<QFile>(file_name))
{
    // The buffer is ours; Qt's own buffering would only copy every byte once more (and is
    // several times slower on large files).
    if (!file_->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(file_name, file_->errorString()));
    // A device or pipe may never end (or never answer): only files on disk are read.
    if (!QFileInfo(file_name).isFile())
        throw Error(QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(file_name));
    SeekTo(0);
    // A byte-order mark from an editor is no part of the first line.
    static constexpr char bom[] = "\xEF\xBB\xBF";
    for (int i = 0; i < 3; ++i) {
        if (GetChar() != static_cast<unsigned char>(bom[i])) {
            SeekTo(0);
            break;
        }
    }
    data_start_ = Position();
}

TASCIISigClass::~TASCIISigClass() = default;

QString TASCIISigClass::TypeName() const
{
    return QStringLiteral("ASCII");
}

bool TASCIISigClass::EndOfData()
{
    return !SkipBlank();
}

void TASCIISigClass::Rewind()
{
    SeekTo(first_data_offset_);
    Refill();
}

bool TASCIISigClass::Refill()
{
    if (last_block_)
        return false;
    buffer_offset_ += end_;
    cursor_ = 0;
    qint64 n = file_->read(buffer_, kSigBufferSize);
    if (n < 0)
        n = 0; // a read error ends the data like the end of the file
    end_ = static_cast<int>(n);
    last_block_ = n < kSigBufferSize;
    return n > 0;
}

int TASCIISigClass::GetChar()
{
    if (cursor_ == end_ && !Refill())
        return -1;
    return static_cast<unsigned char>(buffer_[cursor_++]);
}

template <typename Keep> int TASCIISigClass::ScanWhile(Keep keep)
{
    for (;;) {
        if (cursor_ == end_ && !Refill())
            return -1;
        // A local pointer keeps the loop in registers: this runs for every byte of the file.
        const char* const begin = buffer_;
        const char* const end = buffer_ + end_;
        for (const char* p = begin + cursor_; p != end; ++p) {
            const int c = static_cast<unsigned char>(*p);
            if (!keep(c)) {
                cursor_ = static_cast<int>(p - begin);
                return c;
            }
        }
        cursor_ = end_;
    }
}

void TASCIISigClass::SeekTo(int64_t offset)
{
    file_->seek(offset);
    buffer_offset_ = offset;
    cursor_ = 0;
    end_ = 0;
    last_block_ = false;
}

int64_t TASCIISigClass::Position() const
{
    return buffer_offset_ + cursor_;
}

bool TASCIISigClass::IsSeparator(int c)
{
    return c >= 0 && isSeparator(c);
}

bool TASCIISigClass::SkipBlank()
{
    return ScanWhile(isSeparator) >= 0;
}

void TASCIISigClass::NextLine()
{
    ScanWhile([](int c) { return !isLineEnd(c); });
}

bool TASCIISigClass::SkipSeparatorsInLine()
{
    const int c = ScanWhile([](int c) { return isSeparator(c) && !isLineEnd(c); });
    return c >= 0 && !isLineEnd(c);
}

int TASCIISigClass::CollectToken(char (&token)[kSigTokenMax])
{
    int length = 0;
    ScanWhile([&](int c) {
        if (isSeparator(c))
            return false;
        if (length < kSigTokenMax)
            token[length++] = static_cast<char>(c);
        return true;
    });
    return length;
}

bool TASCIISigClass::ReadNumberInLine(double& value)
{
    if (!SkipSeparatorsInLine())
        return false;
    char token[kSigTokenMax];
    const int length = CollectToken(token);
    return ParseNumber(token, length, value);
}

bool TASCIISigClass::SkipFieldInLine()
{
    if (!SkipSeparatorsInLine())
        return false;
    ScanWhile([](int c) { return !isSeparator(c); });
    return true;
}

bool TASCIISigClass::ParseNumber(const char* text, int length, double& value)
{
    const char* begin = text;
    const char* end = text + length;
    // from_chars takes no plus sign, nor should "inf" or "nan" pass for a reading.
    if (begin != end && *begin == '+')
        ++begin;
    const char* digits = (begin != end && *begin == '-') ? begin + 1 : begin;
    if (digits == end || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
        return false;
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

void TASCIISigClass::ReadHeaderWords(QString& first, QString& second)
{
    SeekTo(data_start_);
    QString* words[2] = { &first, &second };
    for (QString* word : words) {
        word->clear();
        if (!SkipBlank())
            return;
        char token[kSigTokenMax];
        const int length = CollectToken(token);
        *word = QString::fromLocal8Bit(token, length);
    }
}

void TASCIISigClass::FindFirstDataLine()
{
    SeekTo(data_start_);
    while (SkipBlank()) {
        const int64_t offset = Position();
        double value = 0.0;
        if (ReadNumberInLine(value)) {
            first_data_offset_ = offset;
            return;
        }
        NextLine();
    }
    throw Error(kNotSignalFileText);
}

int32_t TASCIISigClass::CountSamples()
{
    SeekTo(first_data_offset_);
    int32_t count = 0;
    // The count is 32-bit: a longer file shows its first INT32_MAX samples.
    while (count < std::numeric_limits<int32_t>::max() && SkipBlank()) {
        ++count;
        NextLine();
    }
    Rewind();
    return count;
}

// ---------------------------------------------------------------------------------------------

TASCIIColumn::TASCIIColumn(const QString& file_name)
    : TASCIIColumn(file_name, [](SigInfo& info) { return AskSigInfo(info); })
{
}

TASCIIColumn::TASCIIColumn(const QString& file_name, const SigInfoAsker& asker)
    : TASCIISigClass(file_name)
{
    ReadHeaderWords(header_words_[0], header_words_[1]);
    FindFirstDataLine();
    Propose();

    SigInfo info = proposal_;
    if (!(asker ? asker(info) : AskSigInfo(info)) || !std::isfinite(info.frequency_hz)
        || info.frequency_hz <= 0.0 || !std::isfinite(info.first_sample_ms))
        throw Error(kAddCanceledText);
    first_sample_ms_ = info.first_sample_ms;
    period_ms_ = 1000.0 / info.frequency_hz;
    signal_name_ = info.signal_name;
    y_axis_label_ = info.axis_label;
    x_axis_label_ = QString::fromLatin1(kTimeAxisLabel);
    source_name_.clear();

    sample_count_ = CountSamples();
}

void TASCIIColumn::Propose()
{
    double c1[3] = {};
    double c2[3] = {};
    int lines = 0;
    bool two_numbers = true;
    SeekTo(first_data_offset_);
    while (lines < 3 && SkipBlank()) {
        if (!ReadNumberInLine(c1[lines]))
            break;
        if (!ReadNumberInLine(c2[lines]))
            two_numbers = false;
        ++lines;
        NextLine();
    }

    const auto evenly_spaced = [](const double(&c)[3]) {
        const double d = c[1] - c[0];
        const double d2 = c[2] - c[1];
        return d != 0.0 && d2 != 0.0 && std::fabs(d2 - d) < 1e-6;
    };
    time_mode_ = TimeColumn::None;
    if (lines == 3 && two_numbers) {
        if (evenly_spaced(c2))
            time_mode_ = TimeColumn::Second;
        else if (evenly_spaced(c1))
            time_mode_ = TimeColumn::First;
    }

    const double* time = time_mode_ == TimeColumn::Second ? c2 : c1;
    const double step = lines >= 2 ? time[1] - time[0] : 0.0;
    unit_factor_ = step <= 0.001 ? 1000.0 : 1.0;

    proposal_ = SigInfo {};
    proposal_.time_column = time_mode_;
    proposal_.first_sample_ms = time[0] * unit_factor_;
    proposal_.frequency_hz = 1000.0 / (step * unit_factor_);
    // A column that is no time base proposes nothing usable: the user enters it.
    if (!std::isfinite(proposal_.first_sample_ms))
        proposal_.first_sample_ms = 0.0;
    if (!std::isfinite(proposal_.frequency_hz) || proposal_.frequency_hz <= 0.0)
        proposal_.frequency_hz = 0.0;
    proposal_.axis_label = time_mode_ == TimeColumn::First ? header_words_[1] : header_words_[0];
    proposal_.signal_name = SignalNameOf(file_name_);
}

double TASCIIColumn::ReadSample()
{
    if (!SkipBlank())
        return kNaN;
    double value = kNaN;
    if (time_mode_ == TimeColumn::First && !SkipFieldInLine())
        value = kNaN;
    else if (!ReadNumberInLine(value))
        value = kNaN;
    NextLine();
    return value;
}

} // namespace fw
