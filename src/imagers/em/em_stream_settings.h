#pragma once

#include <cstdint>

#include <QColor>
#include <QString>

#include "clips/image_filer.h"
#include "imagers/gpib/em1012.h"

namespace fw {

class SettingsStore;

// What the download window of an EM 1012 or HS 4540 keeps in the settings store, in the section
// named after the camera type ("EM 1012", "HS 4540").
struct EmStreamSettings {
    EmTiming timing;
    int filter = 1;
    QString first_frame = QStringLiteral("1");
    QString end_frame = QStringLiteral("1");
    std::int32_t frame_interval = 1;
    double brightness = 1.0;
    double gamma = 1.8;
    double sharpness = 0.0;
    bool invert = false;
    bool mirror = false;
    bool cropping = false;
    QColor crop_color = Qt::red;
    FrameRect crop; // defaults to the whole picture of the size given to Read
    QString settings_file;

    // Missing values take their defaults; a byte spacing above 100 ms becomes 100.
    static EmStreamSettings Read(const SettingsStore& store, const QString& section, int width, int height);
    // Whether a frame range was ever stored; the defaults stand for none chosen yet.
    static bool RangeStored(const SettingsStore& store, const QString& section);
    void Write(SettingsStore& store, const QString& section) const;
};

} // namespace fw
