#include "clips/riff_file.h"

#include <algorithm>
#include <cstring>

#include <QFileInfo>

#include "clips/avi_stream.h"

namespace fw {

namespace {

constexpr uint32_t kRiffId = fourcc('R', 'I', 'F', 'F');
constexpr uint32_t kListId = fourcc('L', 'I', 'S', 'T');
constexpr uint32_t kJunkId = fourcc('J', 'U', 'N', 'K');
constexpr uint32_t kBlankId = fourcc(' ', ' ', ' ', ' ');
constexpr int64_t kHeaderBytes = 8;
constexpr uint32_t kMaxRiffSize = 0xFFFFFFFFu;

// Hostile files can nest lists without end or consist of millions of empty chunks; real clips
// nest four deep and hold one chunk per frame plus a few. The budgets are separate so that a
// clip with very many frames still shows every chunk of its form.
constexpr int kMaxDepth = 16;
constexpr int64_t kMaxNestedChunks = 2'000'000;
constexpr int64_t kMaxTopLevelChunks = 100'000;

uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void writeLe32(uint8_t* p, uint32_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}

bool isLoadedKind(uint32_t id)
{
    return id == fourcc('a', 'v', 'i', 'h') || id == fourcc('s', 't', 'r', 'h')
        || id == fourcc('s', 't', 'r', 'f') || id == fourcc('s', 't', 'r', 'n')
        || id == fourcc('i', 'd', 'x', '1');
}

int64_t padded(int64_t size)
{
    return size + (size & 1);
}

} // namespace

TRIFFChunk::TRIFFChunk(
    uint32_t id, uint32_t form_type, int64_t data_offset, uint32_t data_size, const TRIFFChunk* parent)
    : id_(id)
    , form_type_(form_type)
    , data_offset_(data_offset)
    , data_size_(data_size)
    , parent_(parent)
{
}

TRIFF::TRIFF(const QString& file_name, bool writable)
    : file_(file_name)
    , writable_(writable)
{
    // Only regular files: opening a FIFO would block and a device has no end to clamp against.
    if (!QFileInfo(file_name).isFile())
        return;
    const QIODevice::OpenMode mode = writable ? QIODevice::ReadWrite | QIODevice::ExistingOnly
                                              : QIODevice::ReadOnly | QIODevice::ExistingOnly;
    if (!file_.open(mode))
        return;
    file_size_ = file_.size();
    Parse();
}

TRIFF::~TRIFF() = default;

bool TRIFF::IsOpen() const
{
    return file_.isOpen();
}

const TRIFFChunk* TRIFF::Root() const
{
    return root_.get();
}

const TRIFFChunk* TRIFF::FindChild(uint32_t id) const
{
    if (!root_ || root_->Id() != kRiffId)
        return nullptr;
    for (const auto& child : root_->Children()) {
        if (child->Id() == id)
            return child.get();
    }
    return nullptr;
}

bool TRIFF::ReadAt(int64_t offset, void* buffer, int64_t size)
{
    if (offset < 0 || size < 0 || offset + size > file_size_ || !file_.seek(offset))
        return false;
    return file_.read(static_cast<char*>(buffer), size) == size;
}

bool TRIFF::WriteAt(int64_t offset, const void* buffer, int64_t size)
{
    if (!file_.seek(offset))
        return false;
    if (file_.write(static_cast<const char*>(buffer), size) != size)
        return false;
    return file_.flush();
}

void TRIFF::Parse()
{
    root_ = std::make_unique<TRIFFChunk>(kBlankId, 0, kHeaderBytes, 0, nullptr);
    uint8_t header[12];
    if (!ReadAt(0, header, sizeof header) || readLe32(header) != kRiffId)
        return;
    root_->id_ = kRiffId;
    root_->data_size_ = readLe32(header + 4);
    root_->form_type_ = readLe32(header + 8);
    // In an OpenDML file further forms follow the first; only the first one is ours to walk.
    const int64_t form_end = std::min<int64_t>(kHeaderBytes + root_->data_size_, file_size_);
    ParseChildren(*root_, sizeof header, form_end, 1);
}

void TRIFF::ParseChildren(TRIFFChunk& parent, int64_t begin, int64_t end, int depth)
{
    int64_t pos = begin;
    while (pos + kHeaderBytes <= end) {
        if (depth == 1 ? parent.children_.size() >= size_t(kMaxTopLevelChunks)
                       : nested_chunk_count_ >= kMaxNestedChunks) {
            if (depth == 1)
                top_level_complete_ = false;
            return;
        }
        uint8_t header[8];
        if (!ReadAt(pos, header, sizeof header)) {
            if (depth == 1)
                top_level_complete_ = false;
            return;
        }
        const uint32_t id = readLe32(header);
        const uint32_t size = readLe32(header + 4);
        const int64_t data_offset = pos + kHeaderBytes;
        // A size running past the parent is clamped to it; the walk ends with that chunk.
        const int64_t data_end = std::min<int64_t>(data_offset + size, end);
        auto child = std::make_unique<TRIFFChunk>(id, 0, data_offset, size, &parent);
        if (depth > 1)
            ++nested_chunk_count_;
        if (id == kRiffId || id == kListId) {
            // A list too short for its type stays an empty list.
            uint8_t type[4];
            if (data_offset + 4 <= data_end && ReadAt(data_offset, type, sizeof type)) {
                child->form_type_ = readLe32(type);
                if (depth < kMaxDepth)
                    ParseChildren(*child, data_offset + 4, data_end, depth + 1);
            }
        } else if (isLoadedKind(id)) {
            child->data_.resize(static_cast<size_t>(data_end - data_offset));
            if (!ReadAt(data_offset, child->data_.data(), data_end - data_offset)) {
                if (depth == 1)
                    top_level_complete_ = false;
                return;
            }
        }
        parent.children_.push_back(std::move(child));
        pos = data_offset + padded(size);
    }
    if (depth == 1)
        top_level_end_ = pos;
}

bool TRIFF::ReadChunkData(uint32_t id, uint8_t* buffer, int32_t& size)
{
    const TRIFFChunk* chunk = FindChild(id);
    const int32_t wanted = size;
    size = 0;
    if (!chunk || wanted < 0 || (wanted > 0 && !buffer))
        return false;
    const int64_t count = std::min<int64_t>(wanted, chunk->DataSize());
    if (!ReadAt(chunk->DataOffset(), buffer, count))
        return false;
    size = static_cast<int32_t>(count);
    return true;
}

bool TRIFF::CanModify() const
{
    return IsOpen() && writable_ && root_ && root_->Id() == kRiffId;
}

bool TRIFF::WriteChunkData(uint32_t id, const uint8_t* buffer, int32_t size)
{
    const TRIFFChunk* chunk = FindChild(id);
    if (!CanModify() || !chunk || size < 0 || (size > 0 && !buffer))
        return false;
    const int64_t stored = chunk->DataSize();
    // Writing a chunk that claims more than the file holds would grow the file under it.
    if (chunk->DataOffset() + stored > file_size_)
        return false;
    std::vector<uint8_t> original(static_cast<size_t>(stored));
    if (!ReadAt(chunk->DataOffset(), original.data(), stored))
        return false;
    std::vector<uint8_t> replacement(static_cast<size_t>(stored), 0);
    if (size > 0)
        std::memcpy(replacement.data(), buffer, static_cast<size_t>(std::min<int64_t>(size, stored)));
    if (WriteAt(chunk->DataOffset(), replacement.data(), stored))
        return true;
    WriteAt(chunk->DataOffset(), original.data(), stored);
    return false;
}

bool TRIFF::AddChunk(uint32_t id, const uint8_t* data, int32_t size)
{
    if (!CanModify() || !top_level_complete_ || FindChild(id) || size < 0 || (size > 0 && !data))
        return false;
    for (size_t i = 0; i < root_->children_.size(); ++i) {
        if (root_->children_[i]->Id() == kJunkId && PlaceInJunk(i, id, data, size))
            return true;
    }
    return AppendToForm(id, data, size);
}

bool TRIFF::PlaceInJunk(size_t index, uint32_t id, const uint8_t* data, int32_t size)
{
    TRIFFChunk& junk = *root_->children_[index];
    const int64_t span = padded(junk.DataSize());
    const int64_t needed = padded(size);
    const int64_t form_end = kHeaderBytes + int64_t(root_->DataSize());
    if (junk.DataOffset() + span > std::min(form_end, file_size_))
        return false;
    // What is left must be nothing or a whole JUNK chunk of its own.
    const int64_t rest = span - needed;
    if (rest < 0 || (rest > 0 && rest < kHeaderBytes))
        return false;

    std::vector<uint8_t> original(static_cast<size_t>(kHeaderBytes + span));
    if (!ReadAt(junk.DataOffset() - kHeaderBytes, original.data(), kHeaderBytes + span))
        return false;
    std::vector<uint8_t> body(static_cast<size_t>(needed + (rest > 0 ? kHeaderBytes : 0)), 0);
    if (size > 0)
        std::memcpy(body.data(), data, static_cast<size_t>(size));
    if (rest > 0) {
        writeLe32(body.data() + needed, kJunkId);
        writeLe32(body.data() + needed + 4, static_cast<uint32_t>(rest - kHeaderBytes));
    }
    uint8_t header[8];
    writeLe32(header, id);
    writeLe32(header + 4, static_cast<uint32_t>(size));
    // The body lands inside the old JUNK data first, so until the header switches over a
    // reader still sees one intact JUNK chunk.
    if (!WriteAt(junk.DataOffset(), body.data(), int64_t(body.size()))
        || !WriteAt(junk.DataOffset() - kHeaderBytes, header, sizeof header)) {
        WriteAt(junk.DataOffset() - kHeaderBytes, original.data(), int64_t(original.size()));
        return false;
    }
    junk.id_ = id;
    junk.data_size_ = static_cast<uint32_t>(size);
    if (rest > 0) {
        auto rest_node = std::make_unique<TRIFFChunk>(kJunkId, 0, junk.DataOffset() + needed + kHeaderBytes,
            static_cast<uint32_t>(rest - kHeaderBytes), root_.get());
        root_->children_.insert(root_->children_.begin() + std::ptrdiff_t(index) + 1, std::move(rest_node));
    }
    return true;
}

bool TRIFF::AppendToForm(uint32_t id, const uint8_t* data, int32_t size)
{
    const uint32_t form_size = root_->DataSize();
    const int64_t form_end = kHeaderBytes + int64_t(form_size);
    if ((form_size & 1) || form_end != file_size_ || top_level_end_ != form_end)
        return false;
    const int64_t added = kHeaderBytes + padded(size);
    if (int64_t(form_size) + added > int64_t(kMaxRiffSize))
        return false;

    std::vector<uint8_t> chunk(static_cast<size_t>(added), 0);
    writeLe32(chunk.data(), id);
    writeLe32(chunk.data() + 4, static_cast<uint32_t>(size));
    if (size > 0)
        std::memcpy(chunk.data() + kHeaderBytes, data, static_cast<size_t>(size));
    uint8_t new_size[4];
    writeLe32(new_size, static_cast<uint32_t>(form_size + added));
    if (!WriteAt(form_end, chunk.data(), added) || !WriteAt(4, new_size, sizeof new_size)) {
        uint8_t old_size[4];
        writeLe32(old_size, form_size);
        WriteAt(4, old_size, sizeof old_size);
        file_.resize(form_end);
        return false;
    }
    file_size_ = form_end + added;
    root_->data_size_ = static_cast<uint32_t>(form_size + added);
    top_level_end_ = file_size_;
    root_->children_.push_back(std::make_unique<TRIFFChunk>(
        id, 0, form_end + kHeaderBytes, static_cast<uint32_t>(size), root_.get()));
    return true;
}

} // namespace fw
