#pragma once

// One opened camera: the pixel formats it offers, decimation by binning (or, where the camera
// cannot bin, by leaving out lines and columns while copying), and the pixel format for colour or
// grey frames. What the camera was set to when it was opened is put back when it is let go.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "frame_copy.h"

typedef struct _ArvCamera ArvCamera;

namespace fw::imaq_genicam {

class CameraDevice {
public:
    // The camera with this Aravis id; nullptr with `result` set when it cannot be opened or offers
    // no pixel format the library delivers.
    static std::shared_ptr<CameraDevice> open(const std::string& id, int32_t& result);
    ~CameraDevice();
    CameraDevice(const CameraDevice&) = delete;
    CameraDevice& operator=(const CameraDevice&) = delete;

    bool colourCapable() const { return offers_bgr8_ || offers_rgb8_; }
    // 1 every column or line, 2 every second one.
    int32_t setDecimation(uint32_t step_x, uint32_t step_y);
    uint32_t width() const { return source_width_ / soft_step_x_; }
    uint32_t height() const { return source_height_ / soft_step_y_; }

    // Sets the camera's pixel format for colour or grey frames and describes the frames that
    // will come.
    int32_t prepareFrames(bool colour, FrameLayout& layout);

    ArvCamera* camera() const { return camera_; }
    bool controlLost() const { return control_lost_; }

private:
    struct Region {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    explicit CameraDevice(ArvCamera* camera);
    int32_t readFoundState();
    void readPixelFormats();
    int32_t readRegion();
    bool tryBinning(uint32_t step_x, uint32_t step_y);
    bool applyBinned(int binning_x, int binning_y, const Region& region, bool region_first);
    Region binnedRegion(uint32_t step_x, uint32_t step_y) const;
    void restoreGeometry();
    static void onControlLost(void* device, void* self);

    ArvCamera* camera_;
    unsigned long control_lost_handler_ = 0;
    std::atomic<bool> control_lost_ { false };

    bool offers_mono8_ = false;
    bool offers_rgb8_ = false;
    bool offers_bgr8_ = false;
    bool can_bin_ = false;
    bool offset_settable_ = false;
    int found_binning_x_ = 1;
    int found_binning_y_ = 1;
    Region found_region_;
    int64_t found_pixel_format_ = 0;

    uint32_t step_x_ = 1;
    uint32_t step_y_ = 1;
    bool binned_ = false;
    uint32_t soft_step_x_ = 1;
    uint32_t soft_step_y_ = 1;
    uint32_t source_width_ = 0;
    uint32_t source_height_ = 0;
};

} // namespace fw::imaq_genicam
