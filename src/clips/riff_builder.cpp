#include "clips/riff_builder.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QFile>

#include "clips/avi_stream.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr uint32_t kRiffId = fourcc('R', 'I', 'F', 'F');
constexpr uint32_t kListId = fourcc('L', 'I', 'S', 'T');
constexpr uint32_t kJunkId = fourcc('J', 'U', 'N', 'K');
constexpr uint32_t kIndexId = fourcc('i', 'd', 'x', '1');
constexpr uint32_t kMovieId = fourcc('m', 'o', 'v', 'i');
constexpr uint32_t kKeyFrameFlag = 16;
constexpr int64_t kAlignment = 512;
constexpr int64_t kMinCapacity = 64 * 1024;
// A RIFF size field cannot describe more.
constexpr int64_t kMaxFileSize = 8 + int64_t(0xFFFFFFFFu);

struct IndexEntry {
    uint32_t id;
    uint32_t flags;
    uint32_t offset;
    uint32_t size;
};
static_assert(sizeof(IndexEntry) == 16);
// Headers and index entries are copied as host integers.
static_assert(std::endian::native == std::endian::little);

int64_t roundToPages(int64_t bytes)
{
    const int64_t page = sysconf(_SC_PAGESIZE);
    return (bytes + page - 1) / page * page;
}

bool writeAll(int fd, const uint8_t* data, int64_t length)
{
    while (length > 0) {
        const ssize_t done = ::write(fd, data, size_t(std::min<int64_t>(length, 1 << 30)));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        length -= done;
    }
    return true;
}

} // namespace

TRIFFNew::TRIFFNew(const QString& file_name, int32_t frame_count, int32_t frame_size, uint32_t form_type)
    : file_name_(file_name)
{
    const int64_t wanted = (int64_t(std::max(frame_size, 0)) + 24) * (int64_t(std::max(frame_count, 0)) + 1);
    capacity_ = roundToPages(std::clamp(wanted, kMinCapacity, kMaxFileSize));
    // Pages are only backed once written, as with a paging-file section.
    void* view = mmap(nullptr, size_t(capacity_), PROT_READ | PROT_WRITE,
        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (view == MAP_FAILED)
        Throw("File mapping error ", errno);
    view_ = static_cast<uint8_t*>(view);
    BeginChunk(kRiffId, 0);
    Write(&form_type, 4);
    chunks_.back().id = form_type;
}

TRIFFNew::~TRIFFNew()
{
    try {
        Close();
    } catch (const Error& failure) {
        // A destructor cannot report; callers who care call Close() themselves.
        qCWarning(lcClips).noquote() << failure.message();
    }
    Release();
}

void TRIFFNew::Throw(const char* what, int error_number) const
{
    throw Error(QString::fromLatin1(what) + QString::number(error_number) + "\r" + file_name_);
}

void TRIFFNew::Release()
{
    if (view_)
        munmap(view_, size_t(capacity_));
    view_ = nullptr;
    capacity_ = 0;
}

void TRIFFNew::Reserve(int64_t end)
{
    if (!view_)
        Throw("RIFF File Error ", EBADF);
    if (end > kMaxFileSize)
        Throw("RIFF File Error ", EFBIG);
    if (end <= capacity_)
        return;
    const int64_t grown = roundToPages(std::min(std::max(end, capacity_ * 2), kMaxFileSize));
    void* view = mremap(view_, size_t(capacity_), size_t(grown), MREMAP_MAYMOVE);
    if (view == MAP_FAILED)
        Throw("View of file error ", errno);
    view_ = static_cast<uint8_t*>(view);
    capacity_ = grown;
}

void TRIFFNew::Write(const void* data, int64_t length)
{
    if (length < 0)
        Throw("RIFF File Error ", EINVAL);
    Reserve(position_ + length);
    if (length > 0)
        std::memcpy(view_ + position_, data, size_t(length));
    position_ += length;
    highest_ = std::max(highest_, position_);
}

void TRIFFNew::SeekFromStart(int64_t offset)
{
    if (offset < 0 || offset > kMaxFileSize)
        Throw("RIFF File Error ", EINVAL);
    position_ = offset;
}

uint8_t* TRIFFNew::View(int64_t length)
{
    if (length < 0)
        Throw("RIFF File Error ", EINVAL);
    Reserve(position_ + length);
    return view_ + position_;
}

void TRIFFNew::SetPosition(const uint8_t* address)
{
    if (!view_ || address < view_ || address > view_ + capacity_)
        Throw("RIFF File Error ", EINVAL);
    position_ = address - view_;
    highest_ = std::max(highest_, position_);
}

void TRIFFNew::Flush(const uint8_t* address, int64_t length)
{
    if (!view_ || length < 0 || address < view_ || address + length > view_ + capacity_)
        Throw("RIFF File Error ", EINVAL);
    highest_ = std::max(highest_, int64_t(address - view_) + length);
}

void TRIFFNew::BeginChunk(uint32_t id, uint32_t size)
{
    const uint32_t header[2] = { id, size };
    Write(header, sizeof header);
    chunks_.push_back(TChunk { id, position_, size, current_, false });
    current_ = int32_t(chunks_.size() - 1);
}

void TRIFFNew::BeginList(uint32_t list_type)
{
    BeginChunk(kListId, 0);
    Write(&list_type, 4);
    chunks_.back().id = list_type;
}

void TRIFFNew::BeginAlignedList(uint32_t list_type)
{
    const int64_t r = (position_ + 12) % kAlignment;
    if (r != 0) {
        int64_t pad = kAlignment - r - 8;
        if (pad < 0)
            pad += kAlignment;
        const uint32_t header[2] = { kJunkId, uint32_t(pad) };
        Write(header, sizeof header);
        std::memset(View(pad), 0, size_t(pad));
        SetPosition(view_ + position_ + pad);
    }
    BeginList(list_type);
}

void TRIFFNew::EndChunk()
{
    if (current_ < 0)
        return;
    TChunk& chunk = chunks_[size_t(current_)];
    const int64_t written = position_ - chunk.data_offset;
    if (written < 0 || written > int64_t(0xFFFFFFFFu))
        Throw("RIFF File Error ", EFBIG);
    if (uint32_t(written) != chunk.size) {
        chunk.size = uint32_t(written);
        chunk.size_pending = true;
    }
    current_ = chunk.parent;
    // Readers step over odd-sized chunks plus one pad byte; without it every later chunk
    // would be misread.
    if (written & 1) {
        const uint8_t pad = 0;
        Write(&pad, 1);
    }
}

const TChunk* TRIFFNew::FindChunk(uint32_t id) const
{
    const auto found
        = std::find_if(chunks_.begin(), chunks_.end(), [id](const TChunk& c) { return c.id == id; });
    return found == chunks_.end() ? nullptr : &*found;
}

bool TRIFFNew::OverwriteChunk(uint32_t id, const void* data, int64_t length)
{
    const TChunk* chunk = FindChunk(id);
    if (!chunk || length < 0)
        return false;
    // Never past the chunk: that would overwrite the chunks behind it.
    const int64_t count = std::min<int64_t>(length, chunk->size);
    Reserve(chunk->data_offset + count);
    if (count > 0)
        std::memcpy(view_ + chunk->data_offset, data, size_t(count));
    highest_ = std::max(highest_, chunk->data_offset + count);
    return true;
}

void TRIFFNew::WriteChunk(uint32_t id, const void* data, int64_t length)
{
    if (length < 0 || length > int64_t(0xFFFFFFFFu))
        Throw("RIFF File Error ", EINVAL);
    BeginChunk(id, uint32_t(length));
    Write(data, length);
    EndChunk();
}

void TRIFFNew::PatchSize(const TChunk& chunk)
{
    std::memcpy(view_ + chunk.data_offset - 4, &chunk.size, 4);
}

void TRIFFNew::Finish()
{
    if (!view_ || current_ < 0)
        return;
    // The index belongs directly into the form, whatever the caller left open.
    while (current_ > 0)
        EndChunk();
    BeginChunk(kIndexId);
    const TChunk* movie = FindChunk(kMovieId);
    if (movie) {
        const auto movie_index = int32_t(movie - chunks_.data());
        const int64_t base = movie->data_offset + 8;
        for (size_t i = size_t(movie_index) + 1; i < chunks_.size(); ++i) {
            const TChunk& c = chunks_[i];
            if (c.parent != movie_index)
                continue;
            const IndexEntry entry { c.id, kKeyFrameFlag, uint32_t(c.data_offset - base), c.size };
            Write(&entry, sizeof entry);
        }
    }
    EndChunk();
    EndChunk();
    for (TChunk& c : chunks_) {
        if (c.size_pending)
            PatchSize(c);
        c.size_pending = false;
    }
}

void TRIFFNew::Close()
{
    if (closed_)
        return;
    closed_ = true;
    if (!view_)
        Throw("RIFF File Error ", EBADF);
    WriteFile();
    Release();
}

void TRIFFNew::Discard()
{
    closed_ = true;
    Release();
}

void TRIFFNew::WriteFile()
{
    static std::atomic<unsigned> counter { 0 };
    const QByteArray target = QFile::encodeName(file_name_);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + ".part-" + QByteArray::number(getpid()) + "-" + QByteArray::number(counter++);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        Throw("RIFF File Error ", errno);
    // Write-through: the file is on the disk before it takes the target's name.
    bool ok = writeAll(fd, view_, highest_) && fsync(fd) == 0;
    int error_number = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error_number = errno;
    }
    if (ok && ::rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        error_number = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        Throw("RIFF File Error ", error_number);
    }
}

} // namespace fw
