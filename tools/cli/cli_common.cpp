#include "cli_common.h"

#include <array>
#include <cstdio>

#include <QFileInfo>

#include "clips/descriptor_block.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

// Ends frame access however decoding leaves the function.
class FrameAccessGuard {
public:
    explicit FrameAccessGuard(TAVISTREAM& stream)
        : stream_(stream)
    {
    }
    ~FrameAccessGuard()
    {
        if (handle_)
            stream_.EndFrameAccess(handle_);
    }
    FrameAccessGuard(const FrameAccessGuard&) = delete;
    FrameAccessGuard& operator=(const FrameAccessGuard&) = delete;

    bool begin() { return stream_.BeginFrameAccess(handle_) && handle_; }
    FrameAccess* handle() const { return handle_; }

private:
    TAVISTREAM& stream_;
    FrameAccess* handle_ = nullptr;
};

} // namespace

void openClip(TAVISTREAM& stream, const QString& file_name)
{
    // A missing file is told apart from an unreadable one: the user's fix differs.
    const QFileInfo info(file_name);
    if (!info.exists())
        throw Error(file_name + QStringLiteral(": No such file"));
    if (!info.isFile())
        throw Error(file_name + QStringLiteral(": Not a file"));
    try {
        stream.Open(file_name);
    } catch (const Error& error) {
        throw Error(file_name + QStringLiteral(": ") + error.message());
    }
    // The stream class accepts an AVI form without video; for this tool that is no clip.
    if (!stream.IsOpen())
        throw Error(file_name + QStringLiteral(": the file holds no video stream"));
}

std::string readDescriptor(TAVISTREAM& stream, int32_t* chunk_size)
{
    std::array<uint8_t, kDescriptorChunkSize> chunk {};
    int32_t size = kDescriptorChunkSize;
    const bool found = stream.ReadData(kDescriptorChunkId, chunk.data(), size);
    if (chunk_size)
        *chunk_size = found ? size : -1;
    if (!found || size <= 0)
        return {};
    return DescriptorFromChunk(
        chunk.data(), static_cast<size_t>(std::min<int32_t>(size, kDescriptorChunkSize)));
}

FrameImage decodeFrame(TAVISTREAM& stream, int32_t index)
{
    FrameAccessGuard access(stream);
    if (!access.begin())
        throw Error(stream.GetShortName() + QStringLiteral(" Open Frame Access Failed"));
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    if (!stream.GetFrame(access.handle(), index, size, packed) || !packed || size <= 0)
        throw Error(
            QStringLiteral("Frame %1 of %2 could not be decoded").arg(index).arg(stream.GetShortName()));
    return FrameImage::fromPacked(packed, static_cast<size_t>(size));
}

void writeStdout(const std::string& bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        throw Error("Cannot write to standard output");
}

} // namespace fw::cli
