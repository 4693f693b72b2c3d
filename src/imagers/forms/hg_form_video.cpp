#include "imagers/forms/hg_form_video.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "imagers/forms/hg_form_session.h"
#include "imagers/forms/hg_form_snapshot.h"
#include "imagers/forms/wait_cursor.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// A full-height TIFF frame; split frames fit in it.
constexpr int64_t kSnapshot_bytes = HGFrameBytes(false, true);

} // namespace

THGVideoPage::THGVideoPage(THGSetupSession& session, QWidget* parent)
    : THGSetupPage(session, "VideoPage", parent)
{
    auto* balance = new QGroupBox(QStringLiteral("Color Balance Type"), this);
    balance_list_ = MakeNamedList(balance, "ColorBalanceCB", HGWhiteBalanceNames());
    auto* snap = MakeNamedButton(balance, "SnapShotBtn", QStringLiteral("Snap Shot"),
        QStringLiteral("Take a Single Image using Current Settings"));
    patch_label_ = new QLabel(QStringLiteral("Click on White Patch ->"), balance);
    patch_label_->setObjectName(QStringLiteral("WhitePatchLabel"));
    auto* balance_layout = new QVBoxLayout(balance);
    balance_layout->addWidget(balance_list_);
    balance_layout->addWidget(snap);
    balance_layout->addStretch(1);
    balance_layout->addWidget(patch_label_);

    auto* output = new QGroupBox(QStringLiteral("Video Output"), this);
    video_mode_list_ = MakeNamedList(output, "VideoModeCB", HGVideoModeNames());
    video_out_check_ = MakeNamedCheck(output, "VideoOutCheck", QStringLiteral("Video Output On"),
        QStringLiteral("Enable Junction Box Output"));
    auto* output_form = new QFormLayout(output);
    output_form->addRow(QStringLiteral("Video Output Mode"), video_mode_list_);
    output_form->addRow(video_out_check_);

    picture_ = new THGSnapshotView(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(balance, 0, 0);
    grid->addWidget(output, 1, 0);
    grid->addWidget(picture_, 0, 1, 2, 1);
    grid->setColumnStretch(1, 1);

    connect(balance_list_, &QComboBox::activated, this, &THGVideoPage::ColorBalanceChange);
    connect(snap, &QPushButton::clicked, this, &THGVideoPage::SnapShotBtnClick);
    connect(picture_, &THGSnapshotView::PixelClicked, this, &THGVideoPage::PictureClick);
    connect(video_mode_list_, &QComboBox::activated, this, &THGVideoPage::VideoModeChange);
    connect(video_out_check_, &QCheckBox::clicked, this, &THGVideoPage::VideoOutClick);
    ShowWhitePatchHint();
}

void THGVideoPage::Enter()
{
    session_.Guarded([this] {
        ShowChecked(video_out_check_, session_.Read(hgcmd::kVideoOut) == 1);
        ShowIndex(video_mode_list_, int(session_.Read(hgcmd::kVideoMode)) - 1);
        ShowIndex(balance_list_, session_.Read(hgcmd::kWhiteBalance));
    });
    ShowWhitePatchHint();
    frame_.assign(size_t(kSnapshot_bytes), 0);
}

void THGVideoPage::Leave()
{
    frame_.clear();
    frame_.shrink_to_fit();
    if (!snapshot_recorded_)
        return;
    session_.Guarded([this] {
        session_.Command(hgcmd::kErase);
        session_.Link().WaitIdle();
        snapshot_recorded_ = false;
    });
}

void THGVideoPage::ShowWhitePatchHint()
{
    const bool white_patch = balance_list_->currentIndex() == kHGWhitePatchBalance;
    patch_label_->setVisible(white_patch);
    picture_->setToolTip(
        white_patch ? QStringLiteral("Click on white area in image to set balance") : QString());
}

// ---- Snapshots --------------------------------------------------------------------------------

void THGVideoPage::Snapshot(int white_balance)
{
    session_.Guarded([this, white_balance] {
        const bool possible = ColourBalancePossible(session_.Read(hgcmd::kFrameSync),
            session_.Read(hgcmd::kFrameRate), session_.Read(hgcmd::kNormalExposure));
        if (!possible) {
            showInformation(ColourBalanceSettingsText());
            return;
        }
        if (!session_.ConfirmClearRecording())
            return;
        snapshot_recorded_ = true;
        if (white_balance >= 0)
            session_.Write(hgcmd::kWhiteBalance, uint32_t(white_balance));
        TakeSnapshot();
    });
}

void THGVideoPage::TakeSnapshot()
{
    if (frame_.size() < size_t(kSnapshot_bytes))
        frame_.assign(size_t(kSnapshot_bytes), 0);
    const WaitCursor hourglass;
    THGCommLayer& link = session_.Link();
    link.StartPreviewFrame(frame_.data(), kSnapshot_bytes, true);
    if (link.WaitDownload())
        picture_->SetImage(HGSnapshotImage(frame_));
    link.WaitIdle();
}

void THGVideoPage::ColorBalanceChange()
{
    ShowWhitePatchHint();
    Snapshot(balance_list_->currentIndex());
}

void THGVideoPage::SnapShotBtnClick()
{
    Snapshot(-1);
}

void THGVideoPage::PictureClick(QPoint pixel)
{
    if (balance_list_->currentIndex() != kHGWhitePatchBalance)
        return;
    session_.Guarded([this, pixel] {
        THGCommLayer& link = session_.Link();
        link.WriteRegister(hgcmd::kPatchMove, HGPatchMoveValue(pixel.x(), pixel.y()));
        for (int command : { hgcmd::kAutoExposure01, hgcmd::kAutoExposureFF, hgcmd::kAutoExposure00 })
            link.StartCommand(csNoWait, command);
        snapshot_recorded_ = true;
        TakeSnapshot();
    });
}

// ---- Video output -----------------------------------------------------------------------------

void THGVideoPage::VideoModeChange()
{
    session_.Guarded([this] {
        if (!confirm(QStringLiteral("Changing Video Mode Requires an Imager Re-boot.  Continue?"))) {
            ShowIndex(video_mode_list_, int(session_.Read(hgcmd::kVideoMode)) - 1);
            return;
        }
        session_.Write(hgcmd::kVideoMode, uint32_t(video_mode_list_->currentIndex() + 1));
        session_.Write(hgcmd::kGoToFrame, 0);
        ShowIndex(video_mode_list_, int(session_.Read(hgcmd::kVideoMode)) - 1);
    });
}

void THGVideoPage::VideoOutClick()
{
    session_.Guarded([this] {
        session_.Write(hgcmd::kVideoOut, video_out_check_->isChecked() ? 1 : 0);
        ShowChecked(video_out_check_, session_.Read(hgcmd::kVideoOut) == 1);
    });
}

} // namespace fw
