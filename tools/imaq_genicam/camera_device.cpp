#include "camera_device.h"

#include <algorithm>

#include <arv.h>

#include "arv_error.h"
#include "camera_list.h"
#include "genicam_errors.h"

namespace fw::imaq_genicam {

namespace {

// The largest value not above `value` that the feature takes: min + a multiple of the increment.
int Align(int value, int min, int increment)
{
    value = std::max(value, min);
    return increment > 1 ? min + (value - min) / increment * increment : value;
}

} // namespace

std::shared_ptr<CameraDevice> CameraDevice::open(const std::string& id, int32_t& result)
{
    ArvError error;
    ArvCamera* camera = OpenCamera(id, error.out());
    if (camera == nullptr) {
        result = Fail(kErrCameraOpen, error ? error.reason() : "No camera has the id \"" + id + "\".");
        return nullptr;
    }
    std::shared_ptr<CameraDevice> device(new CameraDevice(camera));
    result = device->readFoundState();
    if (result != kOk)
        return nullptr;
    return device;
}

CameraDevice::CameraDevice(ArvCamera* camera)
    : camera_(camera)
{
    control_lost_handler_ = g_signal_connect(
        arv_camera_get_device(camera_), "control-lost", G_CALLBACK(&CameraDevice::onControlLost), this);
}

CameraDevice::~CameraDevice()
{
    g_signal_handler_disconnect(arv_camera_get_device(camera_), control_lost_handler_);
    if (!control_lost_) {
        restoreGeometry();
        ArvError ignored;
        arv_camera_set_pixel_format(camera_, static_cast<ArvPixelFormat>(found_pixel_format_), ignored.out());
    }
    g_object_unref(camera_);
}

void CameraDevice::onControlLost(void* /*device*/, void* self)
{
    static_cast<CameraDevice*>(self)->control_lost_ = true;
}

int32_t CameraDevice::readFoundState()
{
    readPixelFormats();
    if (!offers_mono8_ && !colourCapable())
        return Fail(kErrNoPixelFormat);
    ArvError error;
    found_pixel_format_ = arv_camera_get_pixel_format(camera_, error.out());
    can_bin_ = arv_camera_is_binning_available(camera_, error.out()) && !error;
    if (can_bin_)
        arv_camera_get_binning(camera_, &found_binning_x_, &found_binning_y_, error.out());
    if (error || found_binning_x_ < 1 || found_binning_y_ < 1)
        can_bin_ = false;
    offset_settable_ = arv_camera_is_region_offset_available(camera_, error.out()) && !error;
    return readRegion();
}

void CameraDevice::readPixelFormats()
{
    guint count = 0;
    ArvError error;
    gint64* formats = arv_camera_dup_available_pixel_formats(camera_, &count, error.out());
    for (guint index = 0; formats != nullptr && index < count; ++index) {
        offers_mono8_ |= formats[index] == ARV_PIXEL_FORMAT_MONO_8;
        offers_rgb8_ |= formats[index] == ARV_PIXEL_FORMAT_RGB_8_PACKED;
        offers_bgr8_ |= formats[index] == ARV_PIXEL_FORMAT_BGR_8_PACKED;
    }
    g_free(formats);
}

int32_t CameraDevice::readRegion()
{
    Region region;
    ArvError error;
    arv_camera_get_region(camera_, &region.x, &region.y, &region.width, &region.height, error.out());
    if (error || region.width <= 0 || region.height <= 0)
        return Fail(kErrCameraSetting, error ? error.reason() : "The camera reports an empty image region.");
    if (!binned_)
        found_region_ = region;
    source_width_ = static_cast<uint32_t>(region.width);
    source_height_ = static_cast<uint32_t>(region.height);
    return kOk;
}

int32_t CameraDevice::setDecimation(uint32_t step_x, uint32_t step_y)
{
    if ((step_x != 1 && step_x != 2) || (step_y != 1 && step_y != 2))
        return Fail(kErrAttributeValue);
    if (step_x == step_x_ && step_y == step_y_)
        return kOk;
    restoreGeometry();
    step_x_ = step_x;
    step_y_ = step_y;
    const bool full = step_x == 1 && step_y == 1;
    binned_ = !full && tryBinning(step_x, step_y);
    soft_step_x_ = binned_ ? 1 : step_x;
    soft_step_y_ = binned_ ? 1 : step_y;
    return readRegion();
}

// Binning keeps the field of view of the region found at opening, at half the pixels.
CameraDevice::Region CameraDevice::binnedRegion(uint32_t step_x, uint32_t step_y) const
{
    const auto bound = [this](const char* feature, int value) {
        gint64 min = 0;
        gint64 max = 0;
        ArvError error;
        arv_camera_get_integer_bounds(camera_, feature, &min, &max, error.out());
        const gint64 increment = arv_camera_get_integer_increment(camera_, feature, error.out());
        if (error)
            return value;
        return Align(
            std::min<int>(value, static_cast<int>(max)), static_cast<int>(min), static_cast<int>(increment));
    };
    Region region;
    region.width = bound("Width", found_region_.width / static_cast<int>(step_x));
    region.height = bound("Height", found_region_.height / static_cast<int>(step_y));
    region.x = offset_settable_ ? bound("OffsetX", found_region_.x / static_cast<int>(step_x)) : -1;
    region.y = offset_settable_ ? bound("OffsetY", found_region_.y / static_cast<int>(step_y)) : -1;
    return region;
}

bool CameraDevice::tryBinning(uint32_t step_x, uint32_t step_y)
{
    if (!can_bin_)
        return false;
    const int binning_x = found_binning_x_ * static_cast<int>(step_x);
    const int binning_y = found_binning_y_ * static_cast<int>(step_y);
    gint min = 0;
    gint max_x = 0;
    gint max_y = 0;
    ArvError error;
    arv_camera_get_x_binning_bounds(camera_, &min, &max_x, error.out());
    if (!error)
        arv_camera_get_y_binning_bounds(camera_, &min, &max_y, error.out());
    if (error || binning_x > max_x || binning_y > max_y)
        return false;
    // Cameras differ in whether a smaller region or the binning has to come first.
    for (const bool region_first : { false, true }) {
        if (applyBinned(binning_x, binning_y, binnedRegion(step_x, step_y), region_first))
            return true;
        restoreGeometry();
    }
    return false;
}

bool CameraDevice::applyBinned(int binning_x, int binning_y, const Region& region, bool region_first)
{
    ArvError error;
    if (region_first)
        arv_camera_set_region(camera_, region.x, region.y, region.width, region.height, error.out());
    if (!error)
        arv_camera_set_binning(camera_, binning_x, binning_y, error.out());
    if (!error)
        arv_camera_set_region(camera_, region.x, region.y, region.width, region.height, error.out());
    int now_x = 0;
    int now_y = 0;
    if (!error)
        arv_camera_get_binning(camera_, &now_x, &now_y, error.out());
    return !error && now_x == binning_x && now_y == binning_y;
}

void CameraDevice::restoreGeometry()
{
    if (!binned_)
        return;
    ArvError ignored;
    arv_camera_set_binning(camera_, found_binning_x_, found_binning_y_, ignored.out());
    arv_camera_set_region(camera_, offset_settable_ ? found_region_.x : -1,
        offset_settable_ ? found_region_.y : -1, found_region_.width, found_region_.height, ignored.out());
    binned_ = false;
}

int32_t CameraDevice::prepareFrames(bool colour, FrameLayout& layout)
{
    if (colour && !colourCapable())
        return Fail(kErrAttributeValue, "The camera offers no colour pixel format.");
    SourceFormat format = SourceFormat::kMono8;
    ArvPixelFormat pixel_format = ARV_PIXEL_FORMAT_MONO_8;
    if (colour || !offers_mono8_) {
        format = offers_bgr8_ ? SourceFormat::kBgr8 : SourceFormat::kRgb8;
        pixel_format = offers_bgr8_ ? ARV_PIXEL_FORMAT_BGR_8_PACKED : ARV_PIXEL_FORMAT_RGB_8_PACKED;
    }
    ArvError error;
    if (arv_camera_get_pixel_format(camera_, error.out()) != pixel_format || error)
        arv_camera_set_pixel_format(camera_, pixel_format, error.out());
    if (error)
        return Fail(kErrCameraSetting, error.reason());
    const int32_t result = readRegion();
    if (result != kOk)
        return result;
    layout = FullLayout(format, source_width_, source_height_, colour);
    layout.step_x = soft_step_x_;
    layout.step_y = soft_step_y_;
    return kOk;
}

} // namespace fw::imaq_genicam
