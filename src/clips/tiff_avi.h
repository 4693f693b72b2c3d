#pragma once

#include <memory>
#include <optional>

#include "clips/file_avi.h"
#include "clips/kodaky_whacker.h"

namespace fw {

// A sequence of TIFF frame files. The camera block of the first file gives the descriptor's
// camera facts and the frame rate; without one the user is warned and the clip runs at 1000
// frames per second.
class TTIFFAVI : public TFileAVI {
public:
    TTIFFAVI();
    ~TTIFFAVI() override;

    QString TypeName() const override { return QStringLiteral("Video(Tiff)"); }
    // The recording rate when it is a whole number, else 1000.
    double FrameRate() const override;
    const std::optional<TKodakyWhacker>& Camera() const { return camera_; }

protected:
    std::unique_ptr<TImageFiler> MakeReader(const QString& path) const override;
    void SetReaderFile(TImageFiler& reader, const QString& path) const override;
    void FirstFileLoaded(TImageFiler& reader) override;

private:
    void BuildSourceDescriptor();

    std::optional<TKodakyWhacker> camera_;
};

} // namespace fw
