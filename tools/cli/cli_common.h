#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include <QString>
#include <QStringList>

#include "clips/avi_stream.h"
#include "clips/frame_image.h"

namespace fw::cli {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Wrong arguments: the tool prints the message and the usage text and exits with kExitUsage.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

// Opens a clip file for reading; throws fw::Error with the file name and the stream's message,
// also when the file holds no video stream.
void openClip(TAVISTREAM& stream, const QString& file_name);

// The clip's descriptor block as stored in its chunk; empty when the clip has none.
// chunk_size, when given, receives the chunk's data size (at most 2048), or -1 without a chunk.
std::string readDescriptor(TAVISTREAM& stream, int32_t* chunk_size = nullptr);

// Decodes one frame of an open clip into a copy the caller owns.
FrameImage decodeFrame(TAVISTREAM& stream, int32_t index);

// Writes bytes to standard output exactly as given.
void writeStdout(const std::string& bytes);

int runInfo(const QStringList& args);
int runFrame(const QStringList& args);
int runDescriptor(const QStringList& args);
int runConvert(const QStringList& args);

} // namespace fw::cli
