#include "clips/bay_frame_file.h"

#include <QFile>
#include <QSaveFile>

#include "clips/bay_record.h"

namespace fw {

namespace {

constexpr BayFrameSize kShortFrame { 512, 144, 74752 };
constexpr BayFrameSize kTallFrame { 512, 384, 197632 };

} // namespace

std::optional<BayFrameSize> BayFrameSizeForFile(int64_t file_bytes)
{
    for (const BayFrameSize& size : { kShortFrame, kTallFrame })
        if (size.AcceptsFileSize(file_bytes))
            return size;
    return std::nullopt;
}

std::optional<BayReadFailure> ReadBayFrameFile(
    const QString& path, const BayFrameSize& size, std::vector<uint8_t>& record)
{
    record.assign(size_t(size.record_bytes), 0);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return BayReadFailure { QStringLiteral("File ") + path + QStringLiteral(" not found.") };
    const int64_t file_bytes = file.size();
    if (!size.AcceptsFileSize(file_bytes))
        return BayReadFailure { path + QStringLiteral(" size differs from previous file(s)") };
    // The file may shrink between the size check and the read; a short read is a read fault.
    const qint64 read = file.read(reinterpret_cast<char*>(record.data()), file_bytes);
    if (read != file_bytes)
        return BayReadFailure { QStringLiteral("File ") + path + QStringLiteral(" read error.") };
    const std::optional<BayRecord> camera
        = ParseBayRecord(record.data() + size.MosaicBytes(), size_t(size.record_bytes - size.MosaicBytes()));
    if (!camera || !camera->HasKnownSignature())
        return BayReadFailure { path + QStringLiteral(" is not a Bayer Frame.") };
    return std::nullopt;
}

bool WriteBayFrameFile(const QString& path, const std::vector<uint8_t>& record)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(reinterpret_cast<const char*>(record.data()), qint64(record.size()))
        != qint64(record.size()))
        return false;
    return file.commit();
}

} // namespace fw
