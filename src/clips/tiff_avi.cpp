#include "clips/tiff_avi.h"

#include "clips/descriptor_block.h"
#include "clips/tif_file.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kNoCameraBlockCaption = QStringLiteral("Imager Descriptor Block Missing or Invalid");
const QString kNoCameraBlockText = QStringLiteral(
    "Frame Rate could not be determined from file.\rTiming will default to 1000 frames per second.\r"
    "Choose Edit | File Descriptors to set Timing.");

std::optional<int> WholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TTIFFAVI::TTIFFAVI()
    : TFileAVI(QStringLiteral("TIFF File"))
{
}

TTIFFAVI::~TTIFFAVI()
{
    StopSave();
}

double TTIFFAVI::FrameRate() const
{
    if (camera_)
        if (const std::optional<int> rate = WholeNumber(camera_->RecordingRate()))
            return *rate;
    return 1000.0;
}

std::unique_ptr<TImageFiler> TTIFFAVI::MakeReader(const QString& path) const
{
    return std::make_unique<TIFFile>(path);
}

void TTIFFAVI::SetReaderFile(TImageFiler& reader, const QString& path) const
{
    static_cast<TIFFile&>(reader).SetFileName(path);
}

void TTIFFAVI::FirstFileLoaded(TImageFiler& reader)
{
    camera_.reset();
    try {
        const TIFDEntry& block = static_cast<TIFFile&>(reader).RequiredTag(tif_tag::kCameraBlock);
        camera_.emplace(block.Bytes().data(), block.Bytes().size());
    } catch (const Error& failure) {
        qCInfo(lcClips).noquote() << "No camera block in the first TIFF file:" << failure.message();
        showWarning(kNoCameraBlockText, kNoCameraBlockCaption);
    }
    BuildSourceDescriptor();
}

void TTIFFAVI::BuildSourceDescriptor()
{
    source_descriptor_.clear();
    if (!camera_)
        return;
    std::string block = BuildDescriptorBlock(FrameRate(), 0, 0.0, {}, {});
    const auto set_camera = [&block](const char* name, const QString& value) {
        SetDescriptorValue(block, "Camera", name, value.toStdString());
    };
    set_camera("Camera Type", camera_->CameraType());
    set_camera("Camera ID", camera_->CameraID());
    set_camera("Session ID", camera_->SessionID());
    set_camera("Recording Rate", camera_->RecordingRate());
    set_camera("Exposure Setting", camera_->Exposure());
    set_camera("Date and Time", camera_->DateAndTime());
    source_descriptor_ = block;
}

} // namespace fw
