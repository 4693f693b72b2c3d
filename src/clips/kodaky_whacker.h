#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include <QString>

namespace fw {

// Reads the camera block that HG imagers and Motion 'Corder processors store in TIFF tag 34071
// and gives its facts as the texts of the descriptor's camera section.
class TKodakyWhacker {
public:
    static constexpr size_t kBlockSize = 123;

    // Throws fw::Error("Unknown Kodak Imager File") unless the block is longer than 122 bytes
    // and holds one of the two identifiers.
    TKodakyWhacker(const uint8_t* block, size_t count);

    QString CameraType() const;
    QString CameraID() const;
    QString SessionID() const;
    QString RecordingRate() const;
    QString Exposure() const;
    // yyyy-MM-dd hh:mm:ss, as BAY frames give it; "?" when the stored date or time is not valid.
    QString DateAndTime() const;

private:
    enum class Model { kmMotionCorder, kmHGModel2000 };

    int Bcd(size_t offset) const;

    std::array<uint8_t, kBlockSize> block_ {};
    Model model_ = Model::kmMotionCorder;
};

} // namespace fw
