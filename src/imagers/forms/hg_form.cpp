#include "imagers/forms/hg_form.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "imagers/forms/hg_form_browser.h"
#include "imagers/forms/hg_form_controls.h"
#include "imagers/forms/hg_form_datetime.h"
#include "imagers/forms/hg_form_download.h"
#include "imagers/forms/hg_form_identification.h"
#include "imagers/forms/hg_form_recording.h"
#include "imagers/forms/hg_form_session.h"
#include "imagers/forms/hg_form_video.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

enum PageIndex {
    kControlsPage,
    kRecordingPage,
    kDownloadPage,
    kIdentificationPage,
    kDateTimePage,
    kVideoPage
};

constexpr int kRefreshRetry_ms = 100;

QLabel* MakePanel(QWidget* parent, const char* name, int minimum_width)
{
    auto* panel = new QLabel(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setMinimumWidth(minimum_width);
    return panel;
}

} // namespace

THGForm::THGForm(THGCommLayer& link, QWidget* parent)
    : QDialog(parent)
    , link_(link)
    , session_(std::make_unique<THGSetupSession>(link, *this))
{
    setObjectName(QStringLiteral("HGForm"));
    setWindowTitle(QStringLiteral("Imager Control and Setup"));
    session_->SetFrameListsHandler([this] { RefreshFrameLists(); });
    BuildPages();
    BuildStatusBar();
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseBtn"));
    connect(close, &QPushButton::clicked, this, &THGForm::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    layout->addWidget(status_bar_);
}

THGForm::~THGForm()
{
    RemoveHandlers();
}

void THGForm::BuildPages()
{
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    download_page_ = new THGDownloadPage(*session_, pages_);
    page_list_ = { new THGControlsPage(*session_, pages_), new THGRecordingPage(*session_, pages_),
        download_page_, new THGIdentificationPage(*session_, pages_), new THGDateTimePage(*session_, pages_),
        new THGVideoPage(*session_, pages_) };
    const QStringList captions { QStringLiteral("Controls"), QStringLiteral("Recording"),
        QStringLiteral("Download"), QStringLiteral("Identification"), QStringLiteral("Date/Time"),
        QStringLiteral("Video") };
    for (int i = 0; i < page_list_.size(); ++i)
        pages_->addTab(page_list_[i], captions[i]);
    const bool new_model = session_->NewModel();
    pages_->setTabEnabled(kControlsPage, new_model);
    pages_->setTabEnabled(kVideoPage, new_model);
    connect(pages_, &QTabWidget::currentChanged, this, &THGForm::PageChanged);
}

void THGForm::BuildStatusBar()
{
    status_bar_ = new QStatusBar(this);
    status_bar_->setObjectName(QStringLiteral("StatusBar"));
    status_bar_->setSizeGripEnabled(false);
    state_panel_ = MakePanel(status_bar_, "StatePanel", 140);
    temperature_panel_ = MakePanel(status_bar_, "TemperaturePanel", 60);
    error_panel_ = MakePanel(status_bar_, "ErrorPanel", 200);
    status_bar_->addWidget(state_panel_);
    status_bar_->addWidget(temperature_panel_);
    status_bar_->addWidget(error_panel_, 1);
}

void THGForm::SetEntry(TAttacher* entry)
{
    session_->SetEntry(entry);
}

void THGForm::SetCardBrowser(const THGCardBrowser& browser)
{
    download_page_->SetBrowser(browser);
}

// ---- Showing ----------------------------------------------------------------------------------

int THGForm::Show()
{
    Begin();
    exec();
    return End();
}

void THGForm::Begin()
{
    InstallHandlers();
    if (!download_page_->HasBrowser())
        download_page_->SetBrowser(MakeCardBrowser(link_, this));
    ImagerStateChanged(link_.ImagerState());
    TemperatureChanged(link_.Temperature());
    RefreshFrameLists();
    {
        const QSignalBlocker block(pages_);
        pages_->setCurrentIndex(kRecordingPage);
    }
    shown_page_ = -1;
    PageChanged(kRecordingPage);
}

int THGForm::End()
{
    RemoveHandlers();
    return session_->EntryChanged() ? 1 : 0;
}

void THGForm::InstallHandlers()
{
    link_.SetStateChangedHandler([this](int state) { ImagerStateChanged(state); });
    link_.SetTemperatureHandler([this](int celsius) { TemperatureChanged(celsius); });
    link_.SetCommErrorHandler([this](int code, const QString& text) { CommError(code, text); });
}

void THGForm::RemoveHandlers()
{
    link_.SetStateChangedHandler(nullptr);
    link_.SetTemperatureHandler(nullptr);
    link_.SetCommErrorHandler(nullptr);
}

THGSetupPage* THGForm::CurrentPage() const
{
    return shown_page_ >= 0 && shown_page_ < page_list_.size() ? page_list_[shown_page_] : nullptr;
}

void THGForm::PageChanged(int index)
{
    if (THGSetupPage* leaving = CurrentPage())
        leaving->Leave();
    shown_page_ = index;
    if (THGSetupPage* entering = CurrentPage()) {
        entering->StateChanged(session_->ImagerState());
        entering->Enter();
    }
}

// ---- Reports of the link ------------------------------------------------------------------------

void THGForm::ImagerStateChanged(int state)
{
    const int previous = last_state_;
    last_state_ = state;
    session_->SetImagerState(state);
    state_panel_->setText(HGStateName(state));
    if (state == 5)
        error_panel_->clear();
    for (THGSetupPage* page : page_list_)
        page->StateChanged(state);
    // The worker waits for this report to run, so the frame lists are read once it goes on.
    if ((previous == 3 || previous == 4) && state == 5)
        RefreshFrameListsLater();
}

void THGForm::TemperatureChanged(int celsius)
{
    temperature_panel_->setText(HGTemperatureText(celsius));
}

void THGForm::CommError(int code, const QString& text)
{
    error_panel_->setText(code == 0 ? QString() : text);
}

// ---- Frame lists ------------------------------------------------------------------------------

void THGForm::RefreshFrameListsLater()
{
    if (refresh_pending_)
        return;
    refresh_pending_ = true;
    QTimer::singleShot(0, this, [this] { RefreshFrameLists(); });
}

void THGForm::RefreshFrameLists()
{
    if (session_->Busy() && refresh_pending_) {
        QTimer::singleShot(kRefreshRetry_ms, this, [this] { RefreshFrameLists(); });
        return;
    }
    refresh_pending_ = false;
    const QStringList frames = session_->RecordedFrames();
    for (THGSetupPage* page : page_list_)
        page->FrameListsChanged(frames);
}

// ---- Closing ----------------------------------------------------------------------------------

bool THGForm::MayClose()
{
    const int state = session_->ImagerState();
    if (state != 8 && state != 9)
        return true;
    if (!confirm(QStringLiteral("Downloading in progress.  Stop Download and Exit?")))
        return false;
    session_->Guarded([this] { link_.Stop(); });
    return true;
}

void THGForm::done(int result)
{
    if (!MayClose())
        return;
    if (THGSetupPage* leaving = CurrentPage())
        leaving->Leave();
    shown_page_ = -1;
    QDialog::done(result);
}

} // namespace fw
