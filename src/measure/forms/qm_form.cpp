#include "measure/forms/qm_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "measure/forms/measured_plot.h"
#include "measure/forms/polymarker.h"
#include "measure/forms/qm_controls.h"
#include "measure/forms/qm_objects_page.h"
#include "measure/forms/qm_reference_page.h"
#include "measure/forms/qm_scale_page.h"
#include "measure/forms/qm_sheet_page.h"
#include "shell/forms/display_form.h"
#include "shell/forms/new_window_place.h"
#include "support/settings_store.h"

namespace fw {

namespace {

constexpr QSize kDesignSize(560, 420);
constexpr double kMarkerSize = 20.0;

// Frame pixels (origin bottom-left) to a point of the picture rectangle.
QPointF toPicture(ImagePoint point, const QRect& picture, int frame_width, int frame_height)
{
    return { picture.left() + double(point.u) * picture.width() / frame_width,
        picture.top() + picture.height() - 1 - double(point.v) * picture.height() / frame_height };
}

} // namespace

MeasurementWindow* TQMForm::Create(TDisplayForm& display, SettingsStore* settings)
{
    return new TQMForm(display, settings);
}

void TQMForm::Install()
{
    SetMeasurementWindowFactory([](TDisplayForm& display) { return Create(display, display.Settings()); });
}

TQMForm::TQMForm(TDisplayForm& display, SettingsStore* settings)
    : QWidget(nullptr, Qt::Window)
    , display_(display)
    , settings_(settings)
{
    setObjectName(QStringLiteral("QMForm"));
    setWindowTitle(QStringLiteral("Quick Measure ") + display.windowTitle());
    const QScreen* screen = display.screen() ? display.screen() : QGuiApplication::primaryScreen();
    const double dpi_scale = screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
    design_size_ = QSize(int(kDesignSize.width() * dpi_scale), int(kDesignSize.height() * dpi_scale));

    db_.SetLastFrame(display.LastIndex());
    plot_ = std::make_unique<MeasuredPlot>(display, db_, settings);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    scale_ = new QMScalePage(display, db_);
    objects_ = new QMObjectsPage(db_);
    reference_ = new QMReferencePage(db_);
    sheet_ = new QMSheetPage(db_);
    pages_->addTab(scale_, QStringLiteral("Scale"));
    pages_->addTab(BuildUnitsPage(), QStringLiteral("Units"));
    pages_->addTab(objects_, QStringLiteral("Objects"));
    pages_->addTab(reference_, QStringLiteral("Reference"));
    pages_->addTab(sheet_, QStringLiteral("Collection"));
    pages_->addTab(BuildDefaultsPage(), QStringLiteral("Defaults"));
    BuildMenus();
    layout->addWidget(pages_);
    BuildStatusBar();
    ConnectPages();

    ReadSettings();
    scale_->LoadScaling();
    connect(pages_, &QTabWidget::currentChanged, this, &TQMForm::PageEntered);
    resize(design_size_);
    PlaceBesideOwner(*this, display);
    PageEntered(pages_->currentIndex());
}

void TQMForm::BuildStatusBar()
{
    auto* status = new QStatusBar(this);
    const std::array<const char*, 4> names = { "XPanel", "YPanel", "UnitsPanel", "PromptPanel" };
    for (size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(status);
        panels_[i]->setObjectName(QString::fromLatin1(names[i]));
        panels_[i]->setMinimumWidth(i == 3 ? 200 : 90);
        status->addWidget(panels_[i], i == 3 ? 1 : 0);
    }
    layout()->addWidget(status);
}

// What the pages change reaches the sheet, the other pages and the clip window's picture.
void TQMForm::ConnectPages()
{
    connect(scale_, &QMScalePage::ScaleChanged, this, &TQMForm::RefreshSheet);
    connect(scale_, &QMScalePage::Prompted, this, &TQMForm::Prompt);
    connect(objects_, &QMObjectsPage::ObjectsChanged, this, [this] {
        reference_->RefillObjectChoice();
        RefreshSheet();
        UpdatePrediction();
    });
    connect(objects_, &QMObjectsPage::ObjectDeleted, this, &TQMForm::ObjectDeleted);
    connect(objects_, &QMObjectsPage::SamplesCleared, this, [this] {
        RefreshSheet();
        UpdatePrediction();
        display_.RefreshPicture();
    });
    connect(objects_, &QMObjectsPage::LooksChanged, this, [this] { display_.RefreshPicture(); });
    connect(objects_, &QMObjectsPage::FilterChanged, this, &TQMForm::RefreshSheet);
    connect(reference_, &QMReferencePage::ReferenceChanged, this, [this] {
        if (Page() == QMPage::Reference)
            Prompt(reference_->PromptText());
        RefreshSheet();
    });
    connect(reference_, &QMReferencePage::FixedPointSet, this, &TQMForm::RefreshSheet);
    connect(sheet_, &QMSheetPage::CellClicked, this, &TQMForm::GridClicked);
    connect(sheet_, &QMSheetPage::ColumnsChanged, this, &TQMForm::RefreshSheet);
}

TQMForm::~TQMForm()
{
    if (isVisible())
        WriteSettings();
}

void TQMForm::closeEvent(QCloseEvent* event)
{
    WriteSettings();
    QWidget::closeEvent(event);
    display_.RefreshPicture();
}

void TQMForm::ReadSettings()
{
    stored_ = settings_ ? LoadQuickMeasureSettings(*settings_) : QuickMeasureSettings {};
    filling_ = true;
    db_.SetDisplayUnits(stored_.linear_units);
    db_.SetAngularUnits(stored_.angular_units);
    db_.SetLinearVelocityUnits(stored_.linear_velocity_units);
    db_.SetAngularVelocityUnits(stored_.angular_velocity_units);
    db_.SetAccelerationUnits(stored_.acceleration_units);
    db_.HeaderList().SetCursor(stored_.cursor);
    db_.HeaderList().SetDefaultVisible(stored_.visibles);
    db_.HeaderList().SetDefaultFilter(stored_.filter);
    filling_ = false;
    ShowStoredValues();
}

void TQMForm::WriteSettings()
{
    if (!settings_)
        return;
    const TScaler& scaler = db_.Scaler();
    stored_.linear_units = scaler.DisplayUnits();
    stored_.angular_units = scaler.AngularUnits();
    stored_.linear_velocity_units = scaler.LinearVelocityUnits();
    stored_.angular_velocity_units = scaler.AngularVelocityUnits();
    stored_.acceleration_units = scaler.AccelerationUnits();
    stored_.cursor = db_.HeaderList().Cursor();
    stored_.visibles = db_.HeaderList().DefaultVisible();
    stored_.filter = db_.HeaderList().DefaultFilter();
    if (Page() == QMPage::Collection) {
        stored_.grid_width = width();
        stored_.grid_height = height();
    }
    StoreQuickMeasureSettings(*settings_, stored_);
}

QMPage TQMForm::Page() const
{
    return QMPage(pages_->currentIndex());
}

void TQMForm::SetPage(QMPage page)
{
    pages_->setCurrentIndex(int(page));
}

void TQMForm::PageEntered(int index)
{
    const QMPage page = QMPage(index);
    if (page == QMPage::Collection) {
        resize(stored_.grid_width.value_or(design_size_.width()),
            stored_.grid_height.value_or(design_size_.height()));
        UpdateTarget();
        UpdatePrediction();
    } else if (size() != design_size_ && isVisible()) {
        // Leaving the sheet keeps its size for the next visit.
        if (stored_.grid_width || width() != design_size_.width()) {
            stored_.grid_width = width();
            stored_.grid_height = height();
        }
        resize(design_size_);
    }
    switch (page) {
    case QMPage::Scale:
        scale_->Enter();
        break;
    case QMPage::Reference:
        Prompt(reference_->PromptText());
        break;
    case QMPage::Collection:
        break;
    case QMPage::Objects:
        // What the filters say follows the samples collected since.
        objects_->ShowObjectProperties();
        Prompt(QString());
        break;
    default:
        Prompt(QString());
        break;
    }
}

void TQMForm::Prompt(const QString& text)
{
    panels_[3]->setText(text);
}

// ---------------------------------------------------------------------------------------------
// From the clip window

std::optional<QPointF> TQMForm::PointerMoved(QPointF image_point)
{
    const double scale = db_.Scaler().Scale();
    panels_[0]->setText(QStringLiteral("X ") + GeneralText(image_point.x() * scale));
    panels_[1]->setText(QStringLiteral("Y ") + GeneralText(image_point.y() * scale));
    if (Page() != QMPage::Collection)
        return std::nullopt;
    return prediction_;
}

void TQMForm::PictureClicked(int32_t frame, QPointF image_point)
{
    // A track writes into the measurement until it ends.
    if (!isVisible() || TrackRunning())
        return;
    switch (Page()) {
    case QMPage::Scale:
        scale_->Click(image_point);
        break;
    case QMPage::Reference:
        reference_->Click(image_point);
        break;
    case QMPage::Collection:
        CollectClick(frame, image_point);
        break;
    default:
        break;
    }
}

void TQMForm::FrameChanged(int32_t frame)
{
    if (frame < 0)
        return;
    target_.MoveToFrame(frame);
    db_.SetCurrentFrame(frame);
    UpdateTarget();
    sheet_->ScrollToFrame(frame);
    UpdatePrediction();
    plot_->FrameChanged();
}

void TQMForm::TimeBaseChanged(double frame0_time_ms, double interval_ms, int decimals)
{
    db_.SetTimeBase(frame0_time_ms, interval_ms, decimals);
    db_.SetLastFrame(display_.LastIndex());
    RefreshSheet();
    sheet_->SetTimeDecimals(decimals);
}

void TQMForm::PaintOverlay(QPainter& painter, const QRect& picture, int frame_width, int frame_height)
{
    if (frame_width < 1 || frame_height < 1)
        return;
    for (const TSampleObject* sample : db_.CurrentSamples()) {
        const TObjDef* def = sample->ObjDef();
        if (!def || def == &db_.RefObject())
            continue;
        const QColor colour = ColourOfBgr(def->Colour());
        std::vector<QPointF> points;
        for (int i = 0; i < sample->PointCount(); ++i) {
            if (!sample->HasPoint(i))
                continue;
            const QPointF at = toPicture(sample->GetPoint(i), picture, frame_width, frame_height);
            DrawPolymarker(painter, def->Polymarker(), at, kMarkerSize, colour, sample->IsTracked(i));
            points.push_back(at);
        }
        // A line joins its two points; an angle's two lines each join theirs.
        painter.setPen(QPen(colour, 1));
        for (int i = 0; i + 1 < sample->PointCount(); i += 2)
            if (sample->HasPoint(i) && sample->HasPoint(i + 1))
                painter.drawLine(toPicture(sample->GetPoint(i), picture, frame_width, frame_height),
                    toPicture(sample->GetPoint(i + 1), picture, frame_width, frame_height));
    }
}

} // namespace fw
