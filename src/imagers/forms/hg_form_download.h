#pragma once

#include <functional>

#include "imagers/forms/hg_form_page.h"

class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace fw {

// The PC card browser the download page opens: browsing for a download path from a start path
// (true and the chosen path on "Ok"), exploring the card, and forgetting what it listed once
// the card has changed.
struct THGCardBrowser {
    std::function<bool(const QString& start_path, QString& chosen_path)> browse;
    std::function<void()> explore;
    std::function<void()> refresh;
};

// "Download" ("Imager PC Card Storage"): the card path, saving after recording, the frames and
// the copy of the recording to the imager's PC card.
class THGDownloadPage : public THGSetupPage {
    Q_OBJECT
public:
    THGDownloadPage(THGSetupSession& session, QWidget* parent);

    void SetBrowser(THGCardBrowser browser) { browser_ = std::move(browser); }
    bool HasBrowser() const { return bool(browser_.browse); }

    void Enter() override;
    void StateChanged(int state) override;
    void FrameListsChanged(const QStringList& frames) override;

    // Handlers, named after their controls.
    void PathExit();
    void BrowseBtnClick();
    void ExploreBtnClick();
    void AutoSaveChange();
    void FramesChoiceClick();
    void FirstFrameChange();
    void LastFrameChange();
    void DownloadBtnClick();
    void TiffClick();

private:
    QGroupBox* BuildPath();
    QGroupBox* BuildAutoSave();
    QGroupBox* BuildFrames();
    QGroupBox* BuildFormat();
    void StorePath(const QString& path);
    void ShowPath();
    void ShowRange(int32_t range);
    void WriteRange();

    THGCardBrowser browser_;
    QLineEdit* path_edit_ = nullptr;
    QComboBox* auto_save_list_ = nullptr;
    QRadioButton* all_radio_ = nullptr;
    QRadioButton* range_radio_ = nullptr;
    QComboBox* first_list_ = nullptr;
    QComboBox* last_list_ = nullptr;
    QPushButton* download_button_ = nullptr;
    QCheckBox* auto_filing_check_ = nullptr;
    QRadioButton* bayer_radio_ = nullptr;
    QRadioButton* tiff_radio_ = nullptr;
};

} // namespace fw
