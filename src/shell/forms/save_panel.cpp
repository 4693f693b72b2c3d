#include "shell/forms/save_panel.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace fw {

namespace {

constexpr int kMargin = 4;
constexpr int kBarHeight = 16;
constexpr int kLabelHeight = 16;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 24;
static_assert(SavePanel::kHeight == 4 * kMargin + kBarHeight + kLabelHeight + kButtonHeight);

} // namespace

SavePanel::SavePanel(QWidget* parent)
    : QWidget(parent)
    , progress_bar_(new QProgressBar(this))
    , time_label_(new QLabel(this))
    , cancel_button_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("SavePanel"));
    setFixedHeight(kHeight);
    progress_bar_->setObjectName(QStringLiteral("ProgressBar"));
    progress_bar_->setRange(0, 100);
    time_label_->setObjectName(QStringLiteral("TimeLabel"));
    time_label_->setAlignment(Qt::AlignCenter);
    cancel_button_->setObjectName(QStringLiteral("CancelButton"));
    connect(cancel_button_, &QPushButton::clicked, this, [this] {
        RequestCancel();
        emit cancelClicked();
    });
    Begin();
    PlaceControls();
}

void SavePanel::Begin()
{
    progress_ = SaveProgress();
    cancel_requested_ = false;
    progress_bar_->setValue(0);
    time_label_->clear();
}

std::int32_t SavePanel::Report(int percent, std::int64_t now_ms)
{
    const SaveProgressUpdate update = progress_.Report(percent, now_ms, cancel_requested_);
    if (update.answer != 0)
        return update.answer;
    // The bar ignores values outside its range; a saver overshooting 100 still shows full.
    progress_bar_->setValue(std::clamp(percent, 0, 100));
    if (update.estimate)
        time_label_->setText(*update.estimate);
    return 0;
}

void SavePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceControls();
}

void SavePanel::PlaceControls()
{
    // The label gets a row of its own: beside the centred button a narrow window would cut
    // the estimate off.
    const int w = width();
    const int inner_width = std::max(0, w - 2 * kMargin);
    int top = kMargin;
    progress_bar_->setGeometry(kMargin, top, inner_width, kBarHeight);
    top += kBarHeight + kMargin;
    time_label_->setGeometry(kMargin, top, inner_width, kLabelHeight);
    top += kLabelHeight + kMargin;
    cancel_button_->setGeometry((w - kButtonWidth) / 2, top, kButtonWidth, kButtonHeight);
}

} // namespace fw
