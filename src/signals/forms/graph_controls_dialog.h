#pragma once

#include <functional>
#include <map>

#include <QDialog>

#include "signals/graph_appearance.h"

class QCheckBox;
class QDoubleSpinBox;
class QFontComboBox;
class QFormLayout;
class QPushButton;
class QSpinBox;

namespace fw {

// The chart's customisation: colours, grid, font and line width.
class TGraphControlsDlg : public QDialog {
    Q_OBJECT
public:
    explicit TGraphControlsDlg(const GraphAppearance& look, QWidget* parent = nullptr);

    // The look as the controls now show it.
    GraphAppearance Appearance() const;

    // Picks a colour (parent, current colour, caption); tests give their own answers.
    using ColorChooser = std::function<QColor(QWidget*, const QColor&, const QString&)>;
    static void SetColorChooser(ColorChooser chooser);

private:
    QPushButton* AddColorButton(const char* name, const QString& caption, QColor GraphAppearance::*member);
    void ShowColor(QPushButton* button, const QColor& color);
    void ResetToDefaults();
    void ShowLook();

    GraphAppearance look_;
    std::map<QPushButton*, QColor GraphAppearance::*> color_buttons_;
    QCheckBox* grid_cb_ = nullptr;
    QCheckBox* bold_cb_ = nullptr;
    QFontComboBox* font_box_ = nullptr;
    QSpinBox* font_size_ = nullptr;
    QDoubleSpinBox* line_width_ = nullptr;
    QFormLayout* form_ = nullptr;
};

} // namespace fw
