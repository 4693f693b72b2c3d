#include "imagers/forms/hg_form_download.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "imagers/forms/hg_form_session.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& caption)
{
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(QLatin1String(name));
    return radio;
}

} // namespace

THGDownloadPage::THGDownloadPage(THGSetupSession& session, QWidget* parent)
    : THGSetupPage(session, "DownloadPage", parent)
{
    auto* group = new QGroupBox(QStringLiteral("Imager PC Card Storage"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(BuildPath(), 0, 0, 1, 2);
    grid->addWidget(BuildAutoSave(), 1, 0);
    grid->addWidget(BuildFormat(), 1, 1);
    grid->addWidget(BuildFrames(), 2, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
}

QGroupBox* THGDownloadPage::BuildPath()
{
    auto* group = new QGroupBox(this);
    path_edit_ = new QLineEdit(group);
    path_edit_->setObjectName(QStringLiteral("PathEdit"));
    auto* label = new QLabel(QStringLiteral("Download &Path"), group);
    label->setBuddy(path_edit_);
    auto* browse = MakeNamedButton(group, "BrowseBtn", QStringLiteral("Br&owse..."));
    auto* explore = MakeNamedButton(group, "ExploreBtn", QStringLiteral("Explore"));
    auto* row = new QHBoxLayout(group);
    row->addWidget(label);
    row->addWidget(path_edit_, 1);
    row->addWidget(browse);
    row->addWidget(explore);
    connect(path_edit_, &QLineEdit::editingFinished, this, &THGDownloadPage::PathExit);
    connect(browse, &QPushButton::clicked, this, &THGDownloadPage::BrowseBtnClick);
    connect(explore, &QPushButton::clicked, this, &THGDownloadPage::ExploreBtnClick);
    return group;
}

QGroupBox* THGDownloadPage::BuildAutoSave()
{
    auto* group = new QGroupBox(QStringLiteral("Auto Save"), this);
    auto_save_list_ = MakeNamedList(
        group, "AutoSaveCB", HGAutoSaveNames(), QStringLiteral("Enables Downloading After Recording"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(auto_save_list_);
    connect(auto_save_list_, &QComboBox::activated, this, &THGDownloadPage::AutoSaveChange);
    return group;
}

QGroupBox* THGDownloadPage::BuildFormat()
{
    auto* group = new QGroupBox(QStringLiteral("Format"), this);
    bayer_radio_ = MakeRadio(group, "BayerRadio", QStringLiteral("Bayer"));
    tiff_radio_ = MakeRadio(group, "TiffRadio", QStringLiteral("TIFF"));
    bayer_radio_->setChecked(true);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(bayer_radio_);
    layout->addWidget(tiff_radio_);
    connect(tiff_radio_, &QRadioButton::clicked, this, &THGDownloadPage::TiffClick);
    return group;
}

QGroupBox* THGDownloadPage::BuildFrames()
{
    auto* group = new QGroupBox(QStringLiteral("Frames"), this);
    all_radio_ = MakeRadio(group, "AllRadio", QStringLiteral("All"));
    range_radio_ = MakeRadio(group, "RangeRadio", QStringLiteral("Range"));
    first_list_ = MakeNamedList(group, "FirstFrameCB", {});
    last_list_ = MakeNamedList(group, "LastFrameCB", {});
    download_button_ = MakeNamedButton(group, "DownloadBtn", QStringLiteral("Download"));
    download_button_->setCheckable(true);
    auto_filing_check_ = MakeNamedCheck(group, "AutoFilingCheck", QStringLiteral("Auto &Filing"),
        QStringLiteral("Let Imager Create Directory"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(all_radio_, 0, 0);
    grid->addWidget(range_radio_, 1, 0);
    grid->addWidget(first_list_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("to"), group), 1, 2);
    grid->addWidget(last_list_, 1, 3);
    grid->addWidget(download_button_, 0, 4);
    grid->addWidget(auto_filing_check_, 1, 4);
    connect(all_radio_, &QRadioButton::clicked, this, &THGDownloadPage::FramesChoiceClick);
    connect(range_radio_, &QRadioButton::clicked, this, &THGDownloadPage::FramesChoiceClick);
    connect(first_list_, &QComboBox::activated, this, &THGDownloadPage::FirstFrameChange);
    connect(last_list_, &QComboBox::activated, this, &THGDownloadPage::LastFrameChange);
    connect(download_button_, &QPushButton::clicked, this, &THGDownloadPage::DownloadBtnClick);
    return group;
}

// ---- Entering and state -----------------------------------------------------------------------

void THGDownloadPage::Enter()
{
    tiff_radio_->setEnabled(session_.NewModel());
    session_.Guarded([this] {
        const bool saving = session_.Read(hgcmd::kAutoSave) == 1;
        ShowIndex(auto_save_list_, saving ? int(session_.Read(hgcmd::kDownloadStart)) : kHGAutoSaveDisabled);
        ShowRange(session_.Read(hgcmd::kDLFrRange));
        ShowPath();
    });
}

void THGDownloadPage::StateChanged(int state)
{
    download_button_->setChecked(state == 8);
}

void THGDownloadPage::FrameListsChanged(const QStringList& frames)
{
    const int first = first_list_->currentIndex();
    const int last = last_list_->currentIndex();
    first_list_->clear();
    first_list_->addItems(frames);
    last_list_->clear();
    last_list_->addItems(frames);
    const int end = int(frames.size()) - 1;
    ShowIndex(first_list_, first >= 0 && first <= end ? first : 0);
    ShowIndex(last_list_, last >= 0 && last <= end && !all_radio_->isChecked() ? last : end);
}

void THGDownloadPage::ShowRange(int32_t range)
{
    const int end = first_list_->count() - 1;
    const int first = std::min(HGDownloadRangeFirst(range), std::max(end, 0));
    const int last = std::min(HGDownloadRangeLast(range), end);
    ShowIndex(first_list_, range == -1 ? 0 : first);
    ShowIndex(last_list_, range == -1 ? end : last);
    const bool all = first_list_->currentIndex() <= 0 && last_list_->currentIndex() == end;
    all_radio_->setChecked(all);
    range_radio_->setChecked(!all);
}

// ---- Path -------------------------------------------------------------------------------------

void THGDownloadPage::ShowPath()
{
    path_edit_->setText(HGCardPathText(session_.Link().ReadStringRegister(hgcmd::kCardPath)));
}

void THGDownloadPage::StorePath(const QString& path)
{
    session_.Link().WriteStringRegister(hgcmd::kCardPath, path);
    ShowPath();
}

void THGDownloadPage::PathExit()
{
    session_.Guarded([this] { StorePath(path_edit_->text()); });
}

void THGDownloadPage::BrowseBtnClick()
{
    if (!browser_.browse)
        return;
    QString chosen;
    if (browser_.browse(path_edit_->text(), chosen))
        session_.Guarded([this, chosen] { StorePath(chosen); });
}

void THGDownloadPage::ExploreBtnClick()
{
    if (browser_.explore)
        browser_.explore();
}

// ---- Saving and frames ------------------------------------------------------------------------

void THGDownloadPage::AutoSaveChange()
{
    session_.Guarded([this] {
        const int choice = auto_save_list_->currentIndex();
        if (choice != kHGAutoSaveDisabled)
            session_.Write(hgcmd::kDownloadStart, uint32_t(choice));
        session_.Write(hgcmd::kAutoSave, choice == kHGAutoSaveDisabled ? 0 : 1);
    });
}

void THGDownloadPage::FramesChoiceClick()
{
    if (all_radio_->isChecked()) {
        ShowIndex(first_list_, 0);
        ShowIndex(last_list_, last_list_->count() - 1);
    }
    WriteRange();
}

void THGDownloadPage::FirstFrameChange()
{
    if (first_list_->currentIndex() > last_list_->currentIndex())
        ShowIndex(last_list_, first_list_->currentIndex());
    range_radio_->setChecked(true);
    WriteRange();
}

void THGDownloadPage::LastFrameChange()
{
    if (last_list_->currentIndex() < first_list_->currentIndex())
        ShowIndex(first_list_, last_list_->currentIndex());
    range_radio_->setChecked(true);
    WriteRange();
}

void THGDownloadPage::WriteRange()
{
    session_.Guarded([this] {
        session_.Write(hgcmd::kDLFrRange,
            HGDownloadRangeValue(
                std::max(first_list_->currentIndex(), 0), std::max(last_list_->currentIndex(), 0)));
    });
}

void THGDownloadPage::DownloadBtnClick()
{
    const bool ran = session_.Guarded([this] {
        StorePath(path_edit_->text());
        bool first_ok = false, last_ok = false;
        const int first = first_list_->currentText().toInt(&first_ok);
        const int last = last_list_->currentText().toInt(&last_ok);
        if (!first_ok || !last_ok)
            return;
        session_.Link().StartCommand(csStatus, hgcmd::kDownloadOld,
            HGCardDownloadArgument(first, last, auto_filing_check_->isChecked()));
        session_.Link().WaitIdle();
    });
    download_button_->setChecked(session_.ImagerState() == 8);
    if (ran && browser_.refresh)
        browser_.refresh();
}

void THGDownloadPage::TiffClick()
{
    showInformation(QStringLiteral("TIFF downloads disabled pending Imager Firmware fix."));
    bayer_radio_->setChecked(true);
}

} // namespace fw
