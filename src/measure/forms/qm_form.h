#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include <QPointF>
#include <QWidget>

#include "measure/collection_target.h"
#include "measure/forms/track_dialog.h"
#include "measure/measure_settings.h"
#include "measure/motion_data_base.h"
#include "shell/forms/measurement_link.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QTabWidget;

namespace fw {

class FilterChooser;
class MeasuredPlot;
class QMTrackRunner;
class QMObjectsPage;
class QMReferencePage;
class QMScalePage;
class QMSheetPage;
class SettingsStore;
class TDisplayForm;

// The pages of the Quick Measure window, by their tags.
enum class QMPage { Scale = 0, Units = 1, Objects = 2, Reference = 3, Collection = 4, Defaults = 5 };

// Quick Measure: scales a clip from a known length, defines measurement objects, collects their
// points frame by frame from clicks on the clip window and shows the data sheet, which can be
// copied and exported. One per clip window, which owns it. The window routes the clip window's
// clicks to the current page and keeps the collection target; the pages do their own work.
class TQMForm : public QWidget, public MeasurementWindow {
    Q_OBJECT
public:
    TQMForm(TDisplayForm& display, SettingsStore* settings);
    ~TQMForm() override;

    // The factory the program installs for clip windows.
    static MeasurementWindow* Create(TDisplayForm& display, SettingsStore* settings);
    // Lets every clip window open its Quick Measure window, with the clip window's settings.
    static void Install();

    TMotionDataBase& Database() { return db_; }
    QMPage Page() const;
    void SetPage(QMPage page);
    // The collection target: object (1-based, 0 is the hidden "Ref") and point.
    int TargetObject() const { return target_.Object(); }
    int TargetPoint() const { return target_.Point(); }
    // The sheet as text: grid format (tabs, CR) or data format (tabs, CR LF, empty rows left
    // out), for the selection or everything.
    QString CopyText(bool all, bool grid_format) const;
    // Writes the shown columns as comma-separated text; false with the reason shown on failure.
    bool ExportVisibleColumns(const QString& path);
    // Asks for the export file (parent, folder of the last export); nothing when cancelled. The
    // program uses a save dialog, tests install their own answers.
    using ExportPathChooser = std::function<std::optional<QString>(QWidget*, const QString&)>;
    static void SetExportPathChooser(ExportPathChooser chooser);
    // The plot of the sheet's columns against the clip's time ("&Plot..." in the Edit menu).
    MeasuredPlot& Plot() { return *plot_; }

    // Follows the collection target's point from the current frame over the frames the user
    // chooses, storing what it finds as tracked samples (qm_form_tracking.cpp).
    void TrackPoint();
    bool TrackRunning() const { return track_ != nullptr; }
    // Ends a running track as the progress dialog's Cancel does.
    void CancelTrack();
    // Asks how to track (parent, the point's name, start frame, last frame of the clip, what to
    // propose); nothing when cancelled. The program shows the track dialog, tests install their
    // own answers.
    using TrackChooser = std::function<std::optional<TrackChoice>(
        QWidget*, const QString&, int32_t, int32_t, const TrackChoice&)>;
    static void SetTrackChooser(TrackChooser chooser);

    // From the clip window.
    QWidget* Window() override { return this; }
    std::optional<QPointF> PointerMoved(QPointF image_point) override;
    void PictureClicked(int32_t frame, QPointF image_point) override;
    void FrameChanged(int32_t frame) override;
    void TimeBaseChanged(double frame0_time_ms, double interval_ms, int decimals) override;
    void PaintOverlay(QPainter& painter, const QRect& picture, int frame_width, int frame_height) override;
    int UnexportedSamples() const override;
    bool ExportSamples() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ConnectPages();
    void BuildStatusBar();
    void BuildMenus();
    void ReadSettings();
    void WriteSettings();
    void PageEntered(int index);
    void Prompt(const QString& text);

    // Units and Defaults pages (qm_form_pages.cpp).
    QWidget* BuildUnitsPage();
    QWidget* BuildDefaultsPage();
    // Fills the unit boxes and the defaults page from the stored values.
    void ShowStoredValues();
    void UnitsChanged();
    void DefaultsChanged();
    void VisibleChoicesChanged();

    // Collection (qm_form_collection.cpp).
    void CollectClick(int32_t frame, QPointF point);
    void GridClicked(int row, int column);
    void ObjectDeleted(bool was_reference);
    void UpdateTarget();
    void UpdatePrediction();
    void RefreshSheet();

    // Tracking (qm_form_tracking.cpp).
    void StartTrack(TObjDef& def, int point, const TrackChoice& choice);
    void StoreTrackFrames(size_t first_new);
    void TrackFinished();
    // The position (from 1) of the object being tracked; 0 once it is gone.
    int TrackedObject() const;

    TDisplayForm& display_;
    SettingsStore* settings_;
    TMotionDataBase db_;
    QuickMeasureSettings stored_;
    CollectionTarget target_;
    std::optional<QPointF> prediction_;
    bool filling_ = false;
    // A sample was collected since the last export.
    bool unexported_ = false;
    QSize design_size_;
    // The track under way and what it tracks.
    QMTrackRunner* track_ = nullptr;
    struct TrackTarget {
        TObjDef* def = nullptr;
        int point = 0;
        int picture_height = 0;
        std::optional<int32_t> clicked_frame;
    } track_target_;

    QTabWidget* pages_ = nullptr;
    std::array<QLabel*, 4> panels_ {};
    QMScalePage* scale_ = nullptr;
    QMObjectsPage* objects_ = nullptr;
    QMReferencePage* reference_ = nullptr;
    QMSheetPage* sheet_ = nullptr;
    // Units page.
    QComboBox* linear_units_ = nullptr;
    QComboBox* angular_units_ = nullptr;
    QComboBox* linear_velocity_ = nullptr;
    QComboBox* angular_velocity_ = nullptr;
    QComboBox* acceleration_ = nullptr;
    // Defaults page.
    QSpinBox* frame_step_ = nullptr;
    QCheckBox* auto_step_ = nullptr;
    QButtonGroup* cursor_modes_ = nullptr;
    std::vector<QCheckBox*> visible_checks_;
    FilterChooser* default_filter_ = nullptr;
    // Declared after the database, which must outlive it.
    std::unique_ptr<MeasuredPlot> plot_;
};

} // namespace fw
