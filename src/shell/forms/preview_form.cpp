#include "shell/forms/preview_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "clips/processing_controls.h"
#include "clips/sharpen.h"

#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/named_widget.h"
#include "shell/forms/new_window_place.h"
#include "shell/window_spot.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kIdleTickMs = 40;

} // namespace

QSlider* MakeProcessingTrackBar(QWidget* parent, const char* name)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, kTrackMax);
    bar->setPageStep(1);
    bar->setTickInterval(kTrackMax / 4);
    bar->setTickPosition(QSlider::TicksBelow);
    return bar;
}

QWidget* StackUnderLockedPanel(QWidget* group, QWidget* bars, QObject* double_click_watcher, QLabel*& panel)
{
    panel = new QLabel(QStringLiteral("Settings Locked"), group);
    panel->setObjectName(QStringLiteral("LockedPanel"));
    panel->setAlignment(Qt::AlignCenter);
    panel->setStyleSheet(
        QStringLiteral("background-color: rgba(200, 0, 0, 200); color: white; font-weight: bold;"));
    panel->setToolTip(QStringLiteral("Double-click to open the settings"));
    panel->installEventFilter(double_click_watcher);
    panel->hide();
    auto* host = new QWidget(group);
    auto* stack = new QStackedLayout(host);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(panel);
    stack->addWidget(bars);
    return host;
}

QGroupBox* MakeProcessingGroup(QWidget* owner, const QStringList& captions,
    const std::function<QSlider*(int row)>& make_bar, QLabel*& locked_panel)
{
    auto* group = new QGroupBox(QStringLiteral("Image Processing Settings"), owner);
    group->setObjectName(QStringLiteral("ProcessingGB"));
    auto* outer = new QVBoxLayout(group);
    auto* bars = new QWidget(group);
    auto* grid = new QGridLayout(bars);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int row = 0; row < captions.size(); ++row) {
        grid->addWidget(new QLabel(captions[row], bars), row, 0);
        grid->addWidget(make_bar(row), row, 1);
    }
    outer->addWidget(StackUnderLockedPanel(group, bars, owner, locked_panel));
    return group;
}

QComboBox* MakeFilterBox(QWidget* parent)
{
    auto* box = MakeNamed<QComboBox>(parent, "FilterCB");
    box->setToolTip(QStringLiteral("Sharpening Filter"));
    for (const char* name : kSharpenFilterNames)
        box->addItem(QString::fromLatin1(name));
    return box;
}

QToolButton* MakeFilterMaskButton(QWidget* parent)
{
    auto* button = MakeNamed<QToolButton>(parent, "FilterBtn", QStringLiteral("Mask"));
    button->setCheckable(true);
    button->setToolTip(QStringLiteral("Show Filter Mask"));
    return button;
}

TPreviewForm::TPreviewForm(const ChildContext& context, QString file_name, QString title, QWidget* parent)
    : TChildForm(context, nullptr, std::move(file_name), std::move(title), parent)
{
    connect(&idle_timer_, &QTimer::timeout, this, [this] { IdleTick(); });
}

TPreviewForm::~TPreviewForm()
{
    idle_timer_.stop();
    delete display_;
}

void TPreviewForm::MakeDisplay(std::unique_ptr<TAVISTREAM> source, const DisplayOwnerHooks& hooks)
{
    display_ = new TDisplayForm(context_, std::move(source), file_name_, title_);
    display_->setAttribute(Qt::WA_DeleteOnClose, false);
    display_->SetOwnerChild(this);
    display_->SetHooks(hooks);
}

void TPreviewForm::ShowWithDisplay()
{
    const bool placed_before
        = context_.settings && context_.settings->valueExists(QStringLiteral("Desktop"), objectName());
    adjustSize();
    RestorePlacement(false);
    // Without a stored place the preview opens below the main window rather than over it.
    if (!placed_before && context_.main_window) {
        const QRect main = WindowFrame(*context_.main_window);
        PlaceNewWindow(*this, QPoint(main.left(), main.bottom() + 1 + kWindowGap), { context_.main_window });
    }
    show();
    PlaceBesideOwner(*display_, *this);
    display_->show();
    display_->LayoutWindow();
    RegisterChild();
    idle_timer_.start(kIdleTickMs);
}

void TPreviewForm::DrawPicture(QPainter& painter, const QRect& picture, const QImage& image)
{
    if (image.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(picture, image);
}

void TPreviewForm::SaveSucceeded(bool clip_file, const QString& final_name, bool offer_source)
{
    if (clip_file) {
        if (context_.open_clip)
            context_.open_clip(final_name);
        else
            showError(QStringLiteral("Error creating Video display form."));
    }
    if (offer_source && context_.add_source_file)
        context_.add_source_file(file_name_);
    close();
}

void TPreviewForm::ChooseCompression()
{
    display_->ChooseCompression();
}

void TPreviewForm::EditDescriptors()
{
    display_->EditDescriptors();
}

bool TPreviewForm::IsSaving() const
{
    return saving_ || display_->IsSaving();
}

bool TPreviewForm::Poll(bool& range_stale, bool& closing)
{
    TChildForm::Poll(range_stale, closing);
    IdleTick();
    return false;
}

bool TPreviewForm::CanClose()
{
    if (!display_->IsSaving())
        return true;
    if (confirm(QStringLiteral("Cancel the Bayer Conversion and Save in Progress?"), title_))
        display_->Saver().RequestSaveCancel();
    return false;
}

void TPreviewForm::closeEvent(QCloseEvent* event)
{
    TChildForm::closeEvent(event);
    if (!event->isAccepted())
        return;
    idle_timer_.stop();
    WriteSettings();
    display_->hide();
}

} // namespace fw
