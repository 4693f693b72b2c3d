#include "imagers/em/em_stream_open.h"

#include "imagers/em/em_stream_settings.h"
#include "imagers/em/hs4540_avi.h"
#include "support/settings_store.h"

namespace fw {

std::unique_ptr<TEM1012AVI> MakeEmStream(EmModel model, std::shared_ptr<TGPIB> gpib, SteadyNow now)
{
    if (model == EmModel::Hs4540)
        return std::make_unique<T4540AVI>(std::move(gpib), std::move(now));
    return std::make_unique<TEM1012AVI>(std::move(gpib), std::move(now));
}

std::unique_ptr<TEM1012AVI> OpenEmStream(EmModel model, std::shared_ptr<TGPIB> gpib, const QString& address,
    const SettingsStore* settings, SteadyNow now)
{
    std::unique_ptr<TEM1012AVI> stream = MakeEmStream(model, std::move(gpib), std::move(now));
    if (settings) {
        const EmStreamSettings stored = EmStreamSettings::Read(
            *settings, stream->CameraType(), stream->PictureWidth(), stream->PictureHeight());
        stream->SetTiming(stored.timing);
    }
    stream->Open(address);
    return stream;
}

} // namespace fw
