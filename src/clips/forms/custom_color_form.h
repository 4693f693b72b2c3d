#pragma once

#include <functional>
#include <optional>

#include <QDialog>

#include "clips/processing_color_pick.h"
#include "clips/processing_color_table.h"

class QLabel;
class QPushButton;

namespace fw {

class SettingsStore;
class TFWColorGrid;

// What the window needs to know about the clicked pixel and the source it came from.
struct ColorPickRequest {
    PixelColor pixel {}; // as read before the pipeline
    std::optional<PixelColor> shown; // as the preview shows it, when that differs
    ToneLevels levels;
    float gamma = kDefaultGamma;
    float brightness = 1.0F; // the brightness the split starts from
    bool tone_curve = false;
};

// The gains that turn the clicked pixel into the chosen colour: the effective gains the source
// takes and their split into the brightness and channel gains its track bars hold.
struct ColorTransformResult {
    PixelColor target {};
    ChannelGains effective {};
    BrightnessSplit split;
};
using ColorTransformCallback = std::function<void(const ColorTransformResult&)>;

// "Transform Color": shows the clicked pixel's colour and a grid of custom colours; choosing a
// cell, or "Make Gray", hands the gains for that colour to the caller and closes the window.
class TCustomColorForm : public QDialog {
    Q_OBJECT
public:
    explicit TCustomColorForm(SettingsStore& store, QWidget* parent = nullptr);

    // Shows the window modally; true when a colour was chosen and handed to `done`. With the
    // tone curve applied nothing can be picked: the user is told so and the answer is false.
    bool Run(const ColorPickRequest& request, const ColorTransformCallback& done);
    // Fills the window for a pick without showing it.
    void Prepare(const ColorPickRequest& request, ColorTransformCallback done);
    // Computes and hands over the gains for a target colour, then accepts.
    void ChooseTarget(const PixelColor& target);

    // Stores the custom colours and refills the grid.
    void SetCustomColors(const CustomColors& colors);
    CustomColors Colors() const;
    // Left edges together, bottom edges together.
    void PlaceOver(const QRect& display_frame);

private:
    void MakeGray();
    void DefineColors();

    SettingsStore& store_;
    ColorPickRequest request_;
    ColorTransformCallback done_;
    QLabel* pixel_panel_ = nullptr;
    TFWColorGrid* grid_ = nullptr;
    QPushButton* gray_button_ = nullptr;
    QPushButton* define_button_ = nullptr;
};

} // namespace fw
