#pragma once

#include <QDialog>

#include "clips/compression_options.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace fw {

class TAVISTREAM;

// "Video Compression": the encoder a clip is saved with, by its four-character code, with
// quality and key-frame distance where the encoder has them. A stored code this program cannot
// encode opens with an available encoder chosen instead.
class TCompressionDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCompressionDialog(const CompressionOptions& options, QWidget* parent = nullptr);

    CompressionOptions Options() const;

    // The chooser the clip streams call; installed by the program at start.
    static bool Choose(QObject* owner, TAVISTREAM& stream, CompressionOptions& options);

private:
    void EncoderChanged();

    CompressionOptions options_;
    QComboBox* encoder_box_ = nullptr;
    QSlider* quality_slider_ = nullptr;
    QLabel* quality_label_ = nullptr;
    QCheckBox* key_frames_box_ = nullptr;
    QSpinBox* key_frame_every_ = nullptr;
    QLabel* note_ = nullptr;
};

} // namespace fw
