#include "camera_list.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include <arv.h>

namespace fw::imaq_genicam {

namespace {

constexpr const char* kFakeInterface = "Fake";

std::mutex list_mutex;
bool listed = false;

bool FakeOnly()
{
    const char* value = std::getenv("FW_GENICAM_FAKE");
    return value != nullptr && std::string_view(value) == "1";
}

// Runs once, under list_mutex, before Aravis is asked for anything.
void ChooseInterfaces()
{
    static bool chosen = false;
    if (chosen)
        return;
    chosen = true;
    if (!FakeOnly())
        return;
    arv_enable_interface(kFakeInterface);
    std::vector<std::string> others;
    for (unsigned int index = 0; index < arv_get_n_interfaces(); ++index) {
        const char* id = arv_get_interface_id(index);
        if (id != nullptr && std::strcmp(id, kFakeInterface) != 0)
            others.emplace_back(id);
    }
    for (const std::string& id : others)
        arv_disable_interface(id.c_str());
}

} // namespace

std::optional<std::string> CameraIdAt(uint32_t index)
{
    std::lock_guard lock(list_mutex);
    ChooseInterfaces();
    if (index == 0 || !listed) {
        arv_update_device_list();
        listed = true;
    }
    if (index >= arv_get_n_devices())
        return std::nullopt;
    const char* id = arv_get_device_id(index);
    if (id == nullptr)
        return std::nullopt;
    return std::string(id);
}

ArvCamera* OpenCamera(const std::string& id, GError** error)
{
    std::lock_guard lock(list_mutex);
    ChooseInterfaces();
    return arv_camera_new(id.c_str(), error);
}

} // namespace fw::imaq_genicam
