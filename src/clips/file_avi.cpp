#include "clips/file_avi.h"

#include <QFileInfo>

#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

UnsortableAnswer AskAboutUnsortable(const QString& message)
{
    const PromptButton answer = askUser(PromptKind::Warning, QString(), message,
        PromptButton::Abort | PromptButton::Ignore | PromptButton::All);
    if (answer == PromptButton::All)
        return UnsortableAnswer::All;
    return answer == PromptButton::Ignore ? UnsortableAnswer::Ignore : UnsortableAnswer::Abort;
}

} // namespace

TFileAVI::TFileAVI(QString options_section)
    : TBaseAVI(std::move(options_section))
{
}

TFileAVI::~TFileAVI()
{
    StopSave();
}

void TFileAVI::Open(const QString& file_name)
{
    Close();
    NumberedSequence sequence = ListNumberedSequence(file_name, SequenceNumbering {}, AskAboutUnsortable);
    if (sequence.names.empty())
        throw Error(QFileInfo(file_name).fileName() + QStringLiteral("\rThe file is not in its folder's listing"));
    std::unique_ptr<TImageFiler> reader = MakeReader(sequence.PathOf(0));
    try {
        reader->LoadFrame();
    } catch (const Error& failure) {
        throw Error(sequence.names.front() + QLatin1Char('\r') + failure.message());
    }
    SetGeometry(reader->Width(), reader->Height(), BitsPerPixelOf(*reader), sequence.lowest_number,
        sequence.HighestNumber());
    FirstFileLoaded(*reader);
    sequence_ = std::move(sequence);
    reader_ = std::move(reader);
    file_name_ = file_name;
    title_ = QFileInfo(file_name).fileName();
    stream_open_ = true;
}

void TFileAVI::Close()
{
    StopSave();
    reader_.reset();
    sequence_ = NumberedSequence {};
    stream_open_ = false;
}

QString TFileAVI::Pattern() const
{
    return sequence_.folder + QLatin1Char('*') + sequence_.extension;
}

QString TFileAVI::FrameFileName(int32_t number) const
{
    const int64_t position = int64_t(number) - sequence_.lowest_number;
    if (position < 0 || position >= sequence_.Count())
        return title_;
    return sequence_.names[size_t(position)];
}

void TFileAVI::FirstFileLoaded(TImageFiler& /*reader*/)
{
}

void TFileAVI::LoadSourceFrame(int32_t number)
{
    if (!reader_)
        throw Error("No sequence is open");
    const int64_t position = int64_t(number) - sequence_.lowest_number;
    if (position < 0 || position >= sequence_.Count())
        throw Error(QStringLiteral("Frame %1 is not in the sequence").arg(number));
    const QString path = sequence_.PathOf(int32_t(position));
    const QString name = sequence_.names[size_t(position)];
    SetReaderFile(*reader_, path);
    try {
        reader_->LoadFrame();
    } catch (const Error& failure) {
        throw Error(name + QLatin1Char('\r') + failure.message());
    }
    CheckFormat(name, reader_->Width(), reader_->Height(), BitsPerPixelOf(*reader_));
}

TImageFiler& TFileAVI::Filer()
{
    if (!reader_)
        throw Error("No sequence is open");
    return *reader_;
}

int TFileAVI::BitsPerPixelOf(TImageFiler& reader)
{
    return reader.BitsPerSample() * reader.SamplesPerPixel();
}

} // namespace fw
