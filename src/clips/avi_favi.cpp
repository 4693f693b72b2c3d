#include "clips/avi_favi.h"

#include <array>

#include <QFileInfo>

#include "clips/descriptor_block.h"
#include "support/fw_error.h"

namespace fw {

namespace {

// Whether the clip's 8-bit pictures are grey values: its colour table maps every index to the
// grey of that value. Other tables would need the colours, which the grey path drops.
bool HasGreyTable(TAVISTREAM& stream)
{
    FrameAccess* access = nullptr;
    if (!stream.BeginFrameAccess(access) || !access)
        return false;
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    bool grey = false;
    if (stream.GetFrame(access, 0, size, packed) && packed && validPackedSize(packed, size_t(size)) > 0) {
        const FrameImage frame = FrameImage::fromPacked(packed, size_t(size));
        grey = true;
        for (uint32_t i = 0; i < frame.colourCount() && grey; ++i) {
            const RgbQuad& entry = frame.colourTable()[i];
            grey = entry.red == i && entry.green == i && entry.blue == i;
        }
    }
    stream.EndFrameAccess(access);
    return grey;
}

} // namespace

TAVIFAVI::TAVIFAVI()
    : TBaseAVI(QStringLiteral("AVI File"))
{
}

TAVIFAVI::~TAVIFAVI()
{
    StopSave();
}

void TAVIFAVI::Open(const QString& file_name)
{
    Close();
    auto reader = std::make_unique<TAVIFile>(std::make_unique<TAVISTREAM>(QStringLiteral("AVI")));
    reader->Open(file_name);
    const int32_t count = reader->FrameCount();
    if (count <= 0)
        throw Error(QFileInfo(file_name).fileName() + QStringLiteral(" Open Frame Access Failed"));
    if (reader->BitsPerSample() == 8 && !HasGreyTable(reader->Stream()))
        throw Error(QFileInfo(file_name).fileName()
            + QStringLiteral(": clips with a colour palette cannot be re-processed"));
    SetGeometry(reader->Width(), reader->Height(), reader->BitsPerSample(), 0, count - 1);

    std::array<uint8_t, kDescriptorChunkSize> chunk {};
    int32_t size = kDescriptorChunkSize;
    source_descriptor_.clear();
    if (reader->Stream().ReadData(kDescriptorChunkId, chunk.data(), size) && size > 0)
        source_descriptor_ = DescriptorFromChunk(chunk.data(), size_t(std::min(size, kDescriptorChunkSize)));

    reader_ = std::move(reader);
    file_name_ = file_name;
    title_ = QFileInfo(file_name).fileName();
    stream_open_ = true;
}

void TAVIFAVI::Close()
{
    StopSave();
    if (reader_)
        reader_->Close();
    reader_.reset();
    stream_open_ = false;
}

void TAVIFAVI::LoadSourceFrame(int32_t number)
{
    if (!reader_)
        throw Error("No clip is open");
    reader_->SetCurrentIndex(number);
    const QString name = QFileInfo(file_name_).fileName();
    if (!reader_->LoadFrame())
        throw Error(name + QStringLiteral("\rFrame %1 could not be read").arg(number));
    CheckFormat(name, reader_->Width(), reader_->Height(), reader_->BitsPerSample());
}

TImageFiler& TAVIFAVI::Filer()
{
    if (!reader_)
        throw Error("No clip is open");
    return *reader_;
}

} // namespace fw
