#include "clips/forms/custom_color_form.h"

#include <QColorDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "clips/forms/color_grid.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

PixelColor PixelOf(const QColor& color)
{
    return { uint8_t(color.red()), uint8_t(color.green()), uint8_t(color.blue()) };
}

QColor ColorOf(const PixelColor& pixel)
{
    return QColor(pixel[0], pixel[1], pixel[2]);
}

} // namespace

TCustomColorForm::TCustomColorForm(SettingsStore& store, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , store_(store)
{
    setObjectName(QStringLiteral("CustomColorForm"));
    setWindowTitle(QStringLiteral("Transform Color"));

    pixel_panel_ = new QLabel(this);
    pixel_panel_->setObjectName(QStringLiteral("PixelColor"));
    pixel_panel_->setToolTip(QStringLiteral("Clicked Pixel's Color"));
    pixel_panel_->setFixedSize(60, 60);
    pixel_panel_->setFrameShape(QFrame::Box);
    pixel_panel_->setAutoFillBackground(true);
    auto* pixel_caption = new QLabel(QStringLiteral("Clicked Pixel's Color"), this);
    pixel_caption->setWordWrap(true);

    grid_ = new TFWColorGrid(this);
    grid_->SetColors(ReadCustomColors(store_));
    connect(grid_, &TFWColorGrid::ColorChosen, this,
        [this](const QColor& color) { ChooseTarget(PixelOf(color)); });

    gray_button_ = new QPushButton(QStringLiteral("Make Gray"), this);
    gray_button_->setObjectName(QStringLiteral("GrayBtn"));
    gray_button_->setToolTip(QStringLiteral("Make pixel gray by offsetting color channels"));
    connect(gray_button_, &QPushButton::clicked, this, &TCustomColorForm::MakeGray);
    define_button_ = new QPushButton(QStringLiteral("Define Colors"), this);
    define_button_->setObjectName(QStringLiteral("DefineBtn"));
    connect(define_button_, &QPushButton::clicked, this, &TCustomColorForm::DefineColors);
    auto* cancel_button = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_button->setObjectName(QStringLiteral("CancelBtn"));
    connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);

    // Return must not pick a colour by accident.
    for (QPushButton* button : { gray_button_, define_button_, cancel_button })
        button->setAutoDefault(false);

    auto* pixel_column = new QVBoxLayout;
    pixel_column->addWidget(pixel_panel_, 0, Qt::AlignHCenter);
    pixel_column->addWidget(pixel_caption, 0, Qt::AlignHCenter);
    pixel_column->addStretch();
    auto* grid_box = new QGroupBox(QStringLiteral("Target Color"), this);
    auto* grid_layout = new QVBoxLayout(grid_box);
    grid_layout->addWidget(grid_);
    auto* top = new QHBoxLayout;
    top->addLayout(pixel_column);
    top->addWidget(grid_box);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(gray_button_);
    buttons->addWidget(define_button_);
    buttons->addStretch();
    buttons->addWidget(cancel_button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TCustomColorForm::Run(const ColorPickRequest& request, const ColorTransformCallback& done)
{
    if (request.tone_curve) {
        showInformation(QString::fromLatin1(kPickNeedsNoToneCurveText));
        return false;
    }
    Prepare(request, done);
    return exec() == QDialog::Accepted;
}

void TCustomColorForm::Prepare(const ColorPickRequest& request, ColorTransformCallback done)
{
    request_ = request;
    done_ = std::move(done);
    QPalette palette = pixel_panel_->palette();
    palette.setColor(QPalette::Window, ColorOf(request.shown.value_or(request.pixel)));
    pixel_panel_->setPalette(palette);
}

void TCustomColorForm::ChooseTarget(const PixelColor& target)
{
    ColorTransformResult result;
    result.target = target;
    result.effective = GainsForTargetColor(request_.levels, request_.gamma, request_.pixel, target);
    result.split = SplitGains(result.effective, request_.brightness);
    if (result.split.inaccurate)
        showInformation(QString::fromLatin1(kTransformInaccurateText));
    if (done_)
        done_(result);
    accept();
}

void TCustomColorForm::SetCustomColors(const CustomColors& colors)
{
    WriteCustomColors(store_, colors);
    grid_->SetColors(colors);
}

CustomColors TCustomColorForm::Colors() const
{
    return grid_->Colors();
}

void TCustomColorForm::PlaceOver(const QRect& display_frame)
{
    const QRect frame = frameGeometry();
    const QPoint frame_offset = pos() - frame.topLeft();
    move(QPoint(display_frame.left(), display_frame.bottom() - frame.height() + 1) + frame_offset);
}

void TCustomColorForm::MakeGray()
{
    ChooseTarget(GreyTargetOf(request_.pixel));
}

void TCustomColorForm::DefineColors()
{
    // The colour dialog's custom colours are process-wide; white marks an empty cell, as the
    // settings store writes it.
    const CustomColors before = grid_->Colors();
    for (int cell = 0; cell < kCustomColorCount; ++cell)
        QColorDialog::setCustomColor(cell, before[size_t(cell)].value_or(QColor(Qt::white)));
    QColorDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Define Colors"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    CustomColors after;
    for (int cell = 0; cell < kCustomColorCount; ++cell)
        after[size_t(cell)] = CustomColorFromText(CustomColorText(QColorDialog::customColor(cell)));
    SetCustomColors(after);
}

} // namespace fw
