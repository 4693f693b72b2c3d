#pragma once

#include <memory>

#include <QDialog>

class QLabel;
class QStatusBar;
class QTabWidget;

namespace fw {

class THGCommLayer;
class THGSetupPage;
class THGSetupSession;
class THGDownloadPage;
struct TAttacher;
struct THGCardBrowser;

// "Imager Control and Setup": drives one identified HG/RO-family imager and edits its
// settings on six pages. Every control writes its register or sends its command when it is
// changed or left, and shows what the imager reads back.
class THGForm : public QDialog {
    Q_OBJECT
public:
    explicit THGForm(THGCommLayer& link, QWidget* parent = nullptr);
    ~THGForm() override;

    // The imager list entry the link serves: changed addressing goes into it, and its port
    // names the interface in messages. Optional.
    void SetEntry(TAttacher* entry);
    // The PC card browser of the download page; by default the program's file browser.
    void SetCardBrowser(const THGCardBrowser& browser);

    // Installs the window as the link's state, temperature and error handler, opens on the
    // "Recording" page and runs modally. 1 when the identifier, baud rate, address or subnet
    // mask changed, else 0. The caller installs its own handlers again afterwards.
    int Show();
    // Show in two halves around a window shown some other way (tests show it without a modal
    // loop): Begin installs the handlers and opens the first page, End removes the handlers and
    // answers what Show answers.
    void Begin();
    int End();

    // The reports of the link, as the window handles them.
    void ImagerStateChanged(int state);
    void TemperatureChanged(int celsius);
    void CommError(int code, const QString& text);

    void done(int result) override;

private:
    void BuildPages();
    void BuildStatusBar();
    void InstallHandlers();
    void RemoveHandlers();
    void PageChanged(int index);
    // Fills the frame lists of every page; waits while another action talks to the imager.
    void RefreshFrameLists();
    void RefreshFrameListsLater();
    bool MayClose();
    THGSetupPage* CurrentPage() const;

    THGCommLayer& link_;
    std::unique_ptr<THGSetupSession> session_;
    QTabWidget* pages_ = nullptr;
    QList<THGSetupPage*> page_list_;
    THGDownloadPage* download_page_ = nullptr;
    QStatusBar* status_bar_ = nullptr;
    QLabel* state_panel_ = nullptr;
    QLabel* temperature_panel_ = nullptr;
    QLabel* error_panel_ = nullptr;
    int shown_page_ = -1;
    int last_state_ = -1;
    bool refresh_pending_ = false;
};

} // namespace fw
