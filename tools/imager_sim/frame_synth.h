#pragma once

// Synthetic frames of a recording: a Bayer mosaic of a moving scene followed by the 1024-byte
// camera record, as a download delivers them.

#include <QByteArray>
#include <QtGlobal>

namespace fw::imager_sim {

inline constexpr int kFrameColumns = 512;
inline constexpr int kFullFrameRows = 384;
inline constexpr int kSplitFrameRows = 144;
inline constexpr int kCameraRecordBytes = 1024;

// What the camera record says about the recording a frame belongs to.
struct RecordingFacts {
    int type_code = 4;
    bool colour = true;
    int session_id = 1;
    int camera_id = 1;
    int rate_index = 0;
    quint32 date_bcd = 0; // MMDDYY
    quint32 time_bcd = 0; // HHMMSS
    int exposure = 100;
};

// "ML BAY 2" for the old models (its rate table is theirs), "EK BAY 2" for the new ones.
QByteArray signatureFor(int type_code);

int frameBytes(int rows);

QByteArray synthesiseFrame(const RecordingFacts& facts, int frame_number, int rows);

} // namespace fw::imager_sim
