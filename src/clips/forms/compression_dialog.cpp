#include "clips/forms/compression_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"

namespace fw {

TCompressionDialog::TCompressionDialog(const CompressionOptions& options, QWidget* parent)
    : QDialog(parent)
    , options_(options)
{
    setObjectName(QStringLiteral("CompressionDialog"));
    setWindowTitle(QStringLiteral("Video Compression"));
    encoder_box_ = new QComboBox(this);
    encoder_box_->setObjectName(QStringLiteral("CompressorBox"));
    for (const AviEncoder& encoder : AviEncoders())
        encoder_box_->addItem(
            HandlerText(encoder.code).trimmed() + QStringLiteral(" - ") + encoder.display_name, encoder.code);
    const AviEncoder& preselected = PreselectedAviEncoder(options.fccHandler);
    encoder_box_->setCurrentIndex(std::max(0, encoder_box_->findData(preselected.code)));

    quality_slider_ = new QSlider(Qt::Horizontal, this);
    quality_slider_->setObjectName(QStringLiteral("QualitySlider"));
    quality_slider_->setRange(0, 100);
    quality_slider_->setValue(int(std::min(options.dwQuality, kMaxQuality) / 100));
    quality_label_ = new QLabel(this);
    connect(quality_slider_, &QSlider::valueChanged, this,
        [this](int value) { quality_label_->setText(QString::number(value)); });
    quality_label_->setText(QString::number(quality_slider_->value()));
    key_frames_box_ = new QCheckBox(QStringLiteral("Key Frame Every"), this);
    key_frames_box_->setObjectName(QStringLiteral("KeyFrameBox"));
    key_frames_box_->setChecked((options.dwFlags & kCompressKeyFrames) && options.dwKeyFrameEvery > 0);
    key_frame_every_ = new QSpinBox(this);
    key_frame_every_->setObjectName(QStringLiteral("KeyFrameEvery"));
    key_frame_every_->setRange(1, 9999);
    key_frame_every_->setValue(int(std::clamp<uint32_t>(options.dwKeyFrameEvery, 1, 9999)));
    key_frame_every_->setSuffix(QStringLiteral(" frames"));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("NoteLabel"));
    note_->setWordWrap(true);
    // Only a compressor the user once chose is worth a word; the built-in default is not.
    if (options.options_ok && !HasAviEncoder(options.fccHandler) && options.fccHandler != 0)
        note_->setText(QStringLiteral("The stored compressor ") + HandlerText(options.fccHandler)
            + QStringLiteral(" is not available here; choose another."));

    auto* quality_row = new QHBoxLayout;
    quality_row->addWidget(quality_slider_);
    quality_row->addWidget(quality_label_);
    auto* key_row = new QHBoxLayout;
    key_row->addWidget(key_frames_box_);
    key_row->addWidget(key_frame_every_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Compressor:"), encoder_box_);
    form->addRow(QStringLiteral("Compression Quality:"), quality_row);
    form->addRow(key_row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note_);
    layout->addWidget(buttons);
    connect(encoder_box_, &QComboBox::currentIndexChanged, this, &TCompressionDialog::EncoderChanged);
    connect(key_frames_box_, &QCheckBox::toggled, key_frame_every_, &QWidget::setEnabled);
    EncoderChanged();
}

void TCompressionDialog::EncoderChanged()
{
    const AviEncoder* encoder = FindAviEncoder(encoder_box_->currentData().toUInt());
    const bool quality = encoder && encoder->has_quality;
    const bool key_frames = encoder && encoder->has_key_frames;
    quality_slider_->setEnabled(quality);
    key_frames_box_->setEnabled(key_frames);
    key_frame_every_->setEnabled(key_frames && key_frames_box_->isChecked());
}

CompressionOptions TCompressionDialog::Options() const
{
    CompressionOptions options = options_;
    options.fccHandler = encoder_box_->currentData().toUInt();
    options.dwQuality = uint32_t(quality_slider_->value()) * 100;
    if (key_frames_box_->isChecked()) {
        options.dwFlags |= kCompressKeyFrames;
        options.dwKeyFrameEvery = uint32_t(key_frame_every_->value());
    } else {
        options.dwFlags &= ~kCompressKeyFrames;
        options.dwKeyFrameEvery = 0;
    }
    options.dwFlags |= kCompressValid;
    return options;
}

bool TCompressionDialog::Choose(QObject* owner, TAVISTREAM& /*stream*/, CompressionOptions& options)
{
    TCompressionDialog dialog(options, qobject_cast<QWidget*>(owner));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    return true;
}

} // namespace fw
