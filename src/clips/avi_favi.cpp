#include "clips/avi_favi.h"

#include <algorithm>
#include <array>

#include <QFileInfo>

#include "clips/descriptor_block.h"
#include "support/fw_error.h"

namespace fw {

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
    // Grey pictures are processed as grey values; pictures whose indices stand for colours are
    // processed as the colours their table gives.
    if (reader->BitsPerSample() == 8 && !reader->GreyTable()) {
        reader->SetExpandPalette(true);
        if (!reader->LoadFrame())
            throw Error(QFileInfo(file_name).fileName() + QStringLiteral(" Open Frame Access Failed"));
    }
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
    // A later colour table that is no longer grey would lose its colours on the grey path.
    if (reader_->BitsPerSample() == 8 && !reader_->GreyTable())
        throw Error(name + QStringLiteral("\rFormat differs from previous file(s)"));
    CheckFormat(name, reader_->Width(), reader_->Height(), reader_->BitsPerSample());
}

TImageFiler& TAVIFAVI::Filer()
{
    if (!reader_)
        throw Error("No clip is open");
    return *reader_;
}

} // namespace fw
