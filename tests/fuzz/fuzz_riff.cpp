// Feeds arbitrary bytes to the RIFF reader as a file and checks what must hold for any file:
// nothing is read past the end, and a write or add that reports failure changes no byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <unistd.h>

#include "clips/avi_stream.h"
#include "clips/riff_file.h"

namespace {

constexpr uint32_t kTtls = fw::fourcc('t', 't', 'l', 's');
constexpr uint32_t kNote = fw::fourcc('n', 'o', 't', 'e');

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QString scratchPath(const char* suffix)
{
    return QString("/tmp/fuzz_riff_%1_%2").arg(getpid()).arg(suffix);
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(f.write(bytes) == bytes.size());
}

QByteArray get(const QString& path)
{
    QFile f(path);
    check(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void walk(const fw::TRIFFChunk& chunk, int64_t file_size)
{
    check(chunk.Data().size() <= chunk.DataSize());
    check(chunk.Data().empty() || chunk.DataOffset() + int64_t(chunk.Data().size()) <= file_size);
    for (const auto& child : chunk.Children()) {
        check(child->Parent() == &chunk);
        walk(*child, file_size);
    }
}

void readOnly(const QString& path, int64_t file_size)
{
    fw::TRIFF riff(path, false);
    check(riff.IsOpen() && riff.Root());
    walk(*riff.Root(), file_size);
    std::vector<uint8_t> buffer(4096);
    int32_t size = int32_t(buffer.size());
    if (riff.ReadChunkData(kTtls, buffer.data(), size))
        check(size >= 0 && size <= file_size);
    else
        check(size == 0);
}

void writeAndAdd(const QString& path, const QByteArray& original)
{
    std::vector<uint8_t> block(2048, 'w');
    {
        fw::TRIFF riff(path);
        const bool written = riff.WriteChunkData(kTtls, block.data(), int32_t(block.size()));
        const QByteArray after = get(path);
        check(after.size() == original.size());
        if (!written)
            check(after == original);
    }
    const QByteArray before_add = get(path);
    const uint8_t note[5] = { 'n', 'o', 't', 'e', '!' };
    bool added = false;
    {
        fw::TRIFF riff(path);
        added = riff.AddChunk(kNote, note, sizeof note);
    }
    if (!added) {
        check(get(path) == before_add);
        return;
    }
    fw::TRIFF reread(path, false);
    uint8_t back[8] = {};
    int32_t size = sizeof back;
    check(reread.ReadChunkData(kNote, back, size));
    check(size == 5 && std::memcmp(back, note, 5) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = scratchPath("read");
    put(path, bytes);
    readOnly(path, int64_t(size));
    check(get(path) == bytes);

    const QString copy = scratchPath("write");
    put(copy, bytes);
    writeAndAdd(copy, bytes);
    QFile::remove(path);
    QFile::remove(copy);
    return 0;
}
