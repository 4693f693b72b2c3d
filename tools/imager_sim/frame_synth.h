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

// Gains of the colour balance a TIFF snapshot is made with.
struct ColourGains {
    double red = 1.0;
    double green = 1.0;
    double blue = 1.0;
};

// The scene of a frame as 8-bit RGB, top row first, through the gains; grey on a monochrome
// imager.
QByteArray synthesiseRgb(const RecordingFacts& facts, int frame_number, int rows, const ColourGains& gains);
// The mean colour of the scene over a square of pixels (clipped to the frame).
ColourGains sceneMean(int frame_number, int rows, int left, int top, int size);
// The camera record that follows a frame's pixels.
QByteArray cameraRecord(const RecordingFacts& facts, int frame_number);

} // namespace fw::imager_sim
