#pragma once

#include <cstdint>
#include <memory>

#include <QString>

#include "imagers/capture/capture_format.h"

namespace fw {

class TRIFFNew;

// The AVI file of one capture, built in memory by the RIFF writer and written out when closed:
// "RIFF" "AVI " with the header list ("avih", "strl" with "strh", "strf" and "strn"), a "JUNK"
// chunk that puts the frame data on a 512-byte boundary, the "movi" list of "00db" frame chunks
// and the "idx1" index. The file appears under its name only once it is complete.
class TCaptureAviFile {
public:
    // Checks that the file can be made in its folder, then writes the headers for
    // `frames_requested` frames. Throws fw::Error with the reason.
    TCaptureAviFile(const QString& file_name, const CaptureFormat& format, int32_t frames_requested);
    // Writes the file when Close has not; failures are logged.
    ~TCaptureAviFile();

    TCaptureAviFile(const TCaptureAviFile&) = delete;
    TCaptureAviFile& operator=(const TCaptureAviFile&) = delete;

    // Adds one grabber buffer as a frame chunk. Throws fw::Error; a frame that fails is not in
    // the file.
    void WriteFrame(const uint8_t* grabber_buffer);
    int32_t FramesWritten() const { return frames_written_; }
    int32_t FramesRequested() const { return frames_requested_; }
    // Ends the frame list, writes the index and the sizes; when fewer frames than requested were
    // written, the main header's total frames and the stream's length become the number written
    // (the main header's last reserved value keeps the number requested). Then writes the file.
    // Throws fw::Error.
    void Close();

private:
    void WriteHeaders();
    void RewriteHeadersForShortCapture(TRIFFNew& riff) const;

    CaptureFormat format_;
    int32_t frames_requested_;
    int32_t frames_written_ = 0;
    std::unique_ptr<TRIFFNew> riff_;
};

} // namespace fw
