#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QPointF>
#include <QWidget>

#include "measure/measure_settings.h"
#include "measure/motion_data_base.h"
#include "shell/forms/measurement_link.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace fw {

class SettingsStore;
class SheetTableModel;
class TDisplayForm;

// The pages of the Quick Measure window, by their tags.
enum class QMPage { Scale = 0, Units = 1, Objects = 2, Reference = 3, Collection = 4, Defaults = 5 };

// Quick Measure: scales a clip from a known length, defines measurement objects, collects their
// points frame by frame from clicks on the clip window and shows the data sheet, which can be
// copied and exported. One per clip window, which owns it.
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
    int TargetObject() const { return target_object_; }
    int TargetPoint() const { return target_point_; }
    // The sheet as text: grid format (tabs, CR) or data format (tabs, CR LF, empty rows left
    // out), for the selection or everything.
    QString CopyText(bool all, bool grid_format) const;
    // Writes the shown columns as comma-separated text; false with the reason shown on failure.
    bool ExportVisibleColumns(const QString& path);
    // Asks for the export file (parent, folder of the last export); nothing when cancelled. The
    // program uses a save dialog, tests install their own answers.
    using ExportPathChooser = std::function<std::optional<QString>(QWidget*, const QString&)>;
    static void SetExportPathChooser(ExportPathChooser chooser);

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
    // Building (qm_form_pages.cpp, qm_form_objects.cpp, qm_form_sheet.cpp).
    QWidget* BuildScalePage();
    QWidget* BuildUnitsPage();
    QWidget* BuildObjectsPage();
    QWidget* BuildReferencePage();
    QWidget* BuildCollectionPage();
    QWidget* BuildDefaultsPage();
    void BuildMenus();

    // Pages (qm_form_pages.cpp).
    void PageEntered(int index);
    void ScaleClick(QPointF point);
    void UpdateNewFactor();
    void SetNewFactor();
    void LoadScaling();
    void ReferenceClick(QPointF point);
    void ReferenceChanged();
    void UnitsChanged();
    void DefaultsChanged();
    void VisibleChoicesChanged();

    // Objects (qm_form_objects.cpp).
    void NewObject(SampleClass sample_class);
    void ObjectRenamed(QTreeWidgetItem* item);
    void DeleteSelectedObject();
    void ClearSelectedObject();
    void ShowObjectProperties();
    void ObjectPropertyChanged();
    TObjDef* SelectedObject() const;
    void RefillObjectTree(const TObjDef* select);
    void RefillReferenceChoice();

    // Collection and sheet (qm_form.cpp, qm_form_sheet.cpp).
    void CollectClick(int32_t frame, QPointF point);
    void UpdateTarget();
    void UpdatePrediction();
    void RefreshSheet();
    void GridClicked(int row, int column);
    void HideSelectedColumns();
    void FillShowMenu();
    void SelectionRange(int& first_row, int& last_row, int& first_column, int& last_column, bool all) const;
    QString DataText(int first_row, int last_row, int first_column, int last_column, QChar separator) const;
    void CopyToClipboard(bool all, bool grid_format);
    void Prompt(const QString& text);

    void ReadSettings();
    void WriteSettings();
    // Fills the unit boxes and the defaults page from the stored values.
    void ShowStoredValues();

    TDisplayForm& display_;
    SettingsStore* settings_;
    TMotionDataBase db_;
    QuickMeasureSettings stored_;
    SheetTableModel* model_ = nullptr;
    int32_t current_frame_ = 0;
    int target_object_ = 1;
    int target_point_ = 0;
    std::array<QPointF, 2> scale_points_ {};
    int scale_clicks_ = 0;
    double image_length_px_ = 0.0;
    double new_factor_ = 0.0;
    std::optional<QPointF> prediction_;
    bool filling_ = false;
    // A sample was collected since the last export.
    bool unexported_ = false;
    QSize design_size_;

    QTabWidget* pages_ = nullptr;
    std::array<QLabel*, 4> panels_ {};
    // Scale page.
    QLineEdit* gage_length_ = nullptr;
    QComboBox* gage_units_ = nullptr;
    QLineEdit* image_length_ = nullptr;
    QLabel* new_factor_label_ = nullptr;
    QPushButton* set_factor_ = nullptr;
    QLabel* scale_factor_label_ = nullptr;
    // Units page.
    QComboBox* linear_units_ = nullptr;
    QComboBox* angular_units_ = nullptr;
    QComboBox* linear_velocity_ = nullptr;
    QComboBox* angular_velocity_ = nullptr;
    QComboBox* acceleration_ = nullptr;
    // Objects page.
    QTreeWidget* tree_ = nullptr;
    QLabel* colour_swatch_ = nullptr;
    QSpinBox* colour_spin_ = nullptr;
    QLabel* marker_preview_ = nullptr;
    QSpinBox* marker_spin_ = nullptr;
    // Reference page.
    QRadioButton* image_point_ = nullptr;
    QRadioButton* relative_ = nullptr;
    QComboBox* reference_object_ = nullptr;
    QSpinBox* reference_point_ = nullptr;
    QLabel* image_point_label_ = nullptr;
    QCheckBox* reference_base_ = nullptr;
    QLineEdit* base_x_ = nullptr;
    QLineEdit* base_y_ = nullptr;
    QLabel* offset_units_ = nullptr;
    // Collection page.
    QTableView* grid_ = nullptr;
    QMenu* show_menu_ = nullptr;
    // Defaults page.
    QSpinBox* frame_step_ = nullptr;
    QCheckBox* auto_step_ = nullptr;
    QButtonGroup* cursor_modes_ = nullptr;
    std::vector<QCheckBox*> visible_checks_;
};

} // namespace fw
