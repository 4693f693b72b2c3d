#include "settings_processing.h"

#include "bayer_clip.h"
#include "clips/bayer_preview_values.h"
#include "clips/import_preview_values.h"
#include "clips/ips_file.h"
#include "clips/processing_settings.h"

namespace fw::cli {

namespace {

// The values an import preview starts from: every bar centred, the "Core" filter, no cropping.
ImportPreviewValues previewValues(int32_t width, int32_t height, bool crop_allowed)
{
    ImportPreviewValues values;
    values.Balance();
    values.crop.allowed = crop_allowed;
    values.crop.rect = FrameRect { 0, 0, width - 1, height - 1 };
    values.crop.new_width = width;
    values.crop.new_height = height;
    return values;
}

ImportPreviewValues loadedValues(
    const QString& settings_path, int32_t width, int32_t height, bool crop_allowed)
{
    ImportPreviewValues values = previewValues(width, height, crop_allowed);
    ProcessingSettings settings = HandOverImportValues(values);
    LoadIpsFile(settings_path, settings);
    TakeBackImportValues(settings, values, width, height);
    return values;
}

} // namespace

void applyProcessing(TBaseAVI& stream, const QString& settings_path)
{
    if (settings_path.isEmpty()) {
        stream.SetProcessing(false);
        return;
    }
    const ImportPreviewValues values
        = loadedValues(settings_path, stream.ImageWidth(), stream.ImageHeight(), !stream.IsColour());
    ApplyImportProcessing(values, stream);
    ApplyImportCropping(values, stream);
}

void applyProcessing(TBayer& bayer, const QString& settings_path)
{
    if (settings_path.isEmpty()) {
        bayer.SetProcessing(false);
        return;
    }
    // The Bayer preview's values: bars, filter, light source and tone curve.
    BayerPreviewValues values;
    ProcessingSettings settings = HandOverBayerValues(values);
    LoadIpsFile(settings_path, settings);
    TakeBackBayerValues(settings, values);
    ApplyBayerProcessing(values, bayer);
    bayer.SetProcessing(true);
}

} // namespace fw::cli
