#pragma once

// The cameras Aravis finds, as the grabber interfaces. Aravis keeps one device list for the
// process, so listing and opening go through one lock; listing may come from any thread.
//
// With FW_GENICAM_FAKE=1 in the environment only Aravis's in-process fake interface is used
// (its camera "Fake_1"), and nothing is looked for on the network or on USB.

#include <cstdint>
#include <optional>
#include <string>

typedef struct _ArvCamera ArvCamera;
typedef struct _GError GError;

namespace fw::imaq_genicam {

// The id of the camera at this index; index 0 reads the list afresh.
std::optional<std::string> CameraIdAt(uint32_t index);

// A new reference to the camera with this id, or nullptr with `error` set.
ArvCamera* OpenCamera(const std::string& id, GError** error);

} // namespace fw::imaq_genicam
