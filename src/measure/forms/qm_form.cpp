#include "measure/forms/qm_form.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "measure/forms/polymarker.h"
#include "measure/forms/sheet_table_model.h"
#include "shell/forms/display_form.h"
#include "shell/forms/new_window_place.h"
#include "support/fw_error.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr QSize kDesignSize(560, 420);
constexpr double kMarkerSize = 20.0;

QString generalText(double value)
{
    return QString::number(value, 'g', 6);
}

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
    model_ = new SheetTableModel(db_.Sheet(), this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(BuildScalePage(), QStringLiteral("Scale"));
    pages_->addTab(BuildUnitsPage(), QStringLiteral("Units"));
    pages_->addTab(BuildObjectsPage(), QStringLiteral("Objects"));
    pages_->addTab(BuildReferencePage(), QStringLiteral("Reference"));
    pages_->addTab(BuildCollectionPage(), QStringLiteral("Collection"));
    pages_->addTab(BuildDefaultsPage(), QStringLiteral("Defaults"));
    BuildMenus();
    layout->addWidget(pages_);
    auto* status = new QStatusBar(this);
    const std::array<const char*, 4> names = { "XPanel", "YPanel", "UnitsPanel", "PromptPanel" };
    for (size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(status);
        panels_[i]->setObjectName(QString::fromLatin1(names[i]));
        panels_[i]->setMinimumWidth(i == 3 ? 200 : 90);
        status->addWidget(panels_[i], i == 3 ? 1 : 0);
    }
    layout->addWidget(status);

    ReadSettings();
    LoadScaling();
    connect(pages_, &QTabWidget::currentChanged, this, &TQMForm::PageEntered);
    resize(design_size_);
    PlaceBesideOwner(*this, display);
    PageEntered(pages_->currentIndex());
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

void TQMForm::Prompt(const QString& text)
{
    panels_[3]->setText(text);
}

// ---------------------------------------------------------------------------------------------
// From the clip window

std::optional<QPointF> TQMForm::PointerMoved(QPointF image_point)
{
    const double scale = db_.Scaler().Scale();
    panels_[0]->setText(QStringLiteral("X ") + generalText(image_point.x() * scale));
    panels_[1]->setText(QStringLiteral("Y ") + generalText(image_point.y() * scale));
    if (Page() != QMPage::Collection)
        return std::nullopt;
    return prediction_;
}

void TQMForm::PictureClicked(int32_t frame, QPointF image_point)
{
    if (!isVisible())
        return;
    switch (Page()) {
    case QMPage::Scale:
        ScaleClick(image_point);
        break;
    case QMPage::Reference:
        ReferenceClick(image_point);
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
    const bool moved = frame != current_frame_;
    current_frame_ = frame;
    db_.SetCurrentFrame(frame);
    if (moved) {
        target_object_ = 1;
        target_point_ = 0;
    }
    UpdateTarget();
    if (grid_ && frame < model_->rowCount())
        grid_->scrollTo(model_->index(frame, 0));
    UpdatePrediction();
}

void TQMForm::TimeBaseChanged(double frame0_time_ms, double interval_ms, int decimals)
{
    db_.SetTimeBase(frame0_time_ms, interval_ms, decimals);
    db_.SetLastFrame(display_.LastIndex());
    RefreshSheet();
    if (grid_)
        grid_->setColumnWidth(0, 8 * decimals + 30 + 40);
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
            DrawPolymarker(painter, def->Polymarker(), at, kMarkerSize, colour);
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

// ---------------------------------------------------------------------------------------------
// Collection

void TQMForm::CollectClick(int32_t frame, QPointF point)
{
    const std::vector<TObjDef*> objects = db_.UserObjects();
    if (objects.empty()) {
        Prompt(QStringLiteral("Define an object on the Objects page first"));
        return;
    }
    target_object_ = std::clamp(target_object_, 1, int(objects.size()));
    TObjDef& def = *objects[size_t(target_object_ - 1)];
    try {
        if (frame < 0 || frame > db_.Sheet().LastFrame())
            throw Error("frame outside the clip");
        db_.SetSamplePoint(frame, def, target_point_, ImagePoint { float(point.x()), float(point.y()) });
        unexported_ = true;
    } catch (const Error&) {
        showError(QStringLiteral("Data Point not Created"));
        return;
    }
    int32_t next_frame = frame;
    if (++target_point_ >= def.PointCount()) {
        target_point_ = 0;
        if (++target_object_ > int(objects.size())) {
            target_object_ = 1;
            if (stored_.auto_step)
                next_frame = std::clamp(frame + stored_.frame_step, 0, std::max(db_.Sheet().LastFrame(), 0));
        }
    }
    RefreshSheet();
    display_.RefreshPicture();
    // A moving reference without a sample here leaves the cells empty; say why.
    const std::optional<QString> reference_problem = db_.ReferenceProblem(frame);
    if (next_frame != frame) {
        display_.UserSeek(next_frame);
        if (reference_problem)
            Prompt(*reference_problem);
        return;
    }
    UpdateTarget();
    if (frame < model_->rowCount())
        grid_->scrollTo(model_->index(frame, 0));
    UpdatePrediction();
    if (reference_problem)
        Prompt(*reference_problem);
}

void TQMForm::UpdateTarget()
{
    const std::vector<TObjDef*> objects = db_.UserObjects();
    if (objects.empty() || target_object_ < 1 || target_object_ > int(objects.size())) {
        model_->SetTarget(-1, -1);
        return;
    }
    const TObjDef& def = *objects[size_t(target_object_ - 1)];
    const int column = def.Columns().LeftmostShownColumn(target_point_);
    model_->SetTarget(column > 0 ? column : -1, current_frame_);
    Prompt(def.PointCount() > 1 ? QStringLiteral("Next click: %1, point %2 of %3")
                                      .arg(def.Name())
                                      .arg(target_point_ + 1)
                                      .arg(def.PointCount())
                                : QStringLiteral("Next click: %1").arg(def.Name()));
}

void TQMForm::UpdatePrediction()
{
    prediction_.reset();
    const std::vector<TObjDef*> objects = db_.UserObjects();
    if (objects.empty() || target_object_ < 1 || target_object_ > int(objects.size()))
        return;
    if (const auto target
        = db_.CursorTarget(*objects[size_t(target_object_ - 1)], target_point_, current_frame_))
        prediction_ = QPointF(target->u, target->v);
}

void TQMForm::RefreshSheet()
{
    model_->Refresh();
    UpdateTarget();
}

} // namespace fw
