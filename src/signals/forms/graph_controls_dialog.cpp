#include "signals/forms/graph_controls_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace fw {

namespace {

QColor DialogColorChooser(QWidget* parent, const QColor& current, const QString& caption)
{
    return QColorDialog::getColor(current, parent, caption);
}

TGraphControlsDlg::ColorChooser& colorChooser()
{
    static TGraphControlsDlg::ColorChooser chooser = DialogColorChooser;
    return chooser;
}

} // namespace

TGraphControlsDlg::TGraphControlsDlg(const GraphAppearance& look, QWidget* parent)
    : QDialog(parent)
    , look_(look)
{
    setObjectName(QStringLiteral("GraphControlsDlg"));
    setWindowTitle(QStringLiteral("Graph Controls"));
    auto* column = new QVBoxLayout(this);
    form_ = new QFormLayout;
    column->addLayout(form_);
    AddColorButton("DeskColorBtn", QStringLiteral("&Window colour"), &GraphAppearance::desk_color);
    AddColorButton("GraphColorBtn", QStringLiteral("&Plot area colour"), &GraphAppearance::graph_color);
    AddColorButton("TextColorBtn", QStringLiteral("&Text colour"), &GraphAppearance::text_color);
    AddColorButton("GridColorBtn", QStringLiteral("G&rid colour"), &GraphAppearance::grid_color);
    AddColorButton("CursorColorBtn", QStringLiteral("&Cursor colour"), &GraphAppearance::cursor_color);

    grid_cb_ = new QCheckBox(QStringLiteral("Show &grid"), this);
    grid_cb_->setObjectName(QStringLiteral("GridCB"));
    form_->addRow(QString(), grid_cb_);
    bold_cb_ = new QCheckBox(QStringLiteral("&Bold titles and labels"), this);
    bold_cb_->setObjectName(QStringLiteral("BoldCB"));
    form_->addRow(QString(), bold_cb_);
    font_box_ = new QFontComboBox(this);
    font_box_->setObjectName(QStringLiteral("FontBox"));
    form_->addRow(QStringLiteral("&Font"), font_box_);
    font_size_ = new QSpinBox(this);
    font_size_->setObjectName(QStringLiteral("FontSizeEdit"));
    font_size_->setRange(kMinFontPointSize, kMaxFontPointSize);
    font_size_->setSuffix(QStringLiteral(" pt"));
    form_->addRow(QStringLiteral("Font &size"), font_size_);
    line_width_ = new QDoubleSpinBox(this);
    line_width_->setObjectName(QStringLiteral("LineWidthEdit"));
    line_width_->setRange(kMinLineWidth, kMaxLineWidth);
    line_width_->setSingleStep(0.5);
    line_width_->setDecimals(1);
    form_->addRow(QStringLiteral("&Line width"), line_width_);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    buttons->setObjectName(QStringLiteral("ButtonBox"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
        &TGraphControlsDlg::ResetToDefaults);
    column->addWidget(buttons);
    ShowLook();
}

void TGraphControlsDlg::SetColorChooser(ColorChooser chooser)
{
    colorChooser() = chooser ? std::move(chooser) : ColorChooser(DialogColorChooser);
}

QPushButton* TGraphControlsDlg::AddColorButton(
    const char* name, const QString& caption, QColor GraphAppearance::*member)
{
    auto* button = new QPushButton(this);
    button->setObjectName(QLatin1String(name));
    button->setMinimumWidth(90);
    color_buttons_[button] = member;
    form_->addRow(caption, button);
    connect(button, &QPushButton::clicked, this, [this, button, member, caption] {
        QString title = caption;
        title.remove(QLatin1Char('&'));
        const QColor chosen = colorChooser()(this, look_.*member, title);
        if (chosen.isValid()) {
            look_.*member = chosen;
            ShowColor(button, chosen);
        }
    });
    return button;
}

void TGraphControlsDlg::ShowColor(QPushButton* button, const QColor& color)
{
    const QColor text = color.lightness() < 128 ? Qt::white : Qt::black;
    button->setStyleSheet(QStringLiteral("background-color: %1; color: %2;").arg(color.name(), text.name()));
    button->setText(color.name());
}

void TGraphControlsDlg::ShowLook()
{
    for (const auto& [button, member] : color_buttons_)
        ShowColor(button, look_.*member);
    grid_cb_->setChecked(look_.grid);
    bold_cb_->setChecked(look_.bold_titles);
    font_box_->setCurrentFont(look_.font_family.isEmpty() ? QApplication::font() : QFont(look_.font_family));
    font_size_->setValue(look_.font_point_size);
    line_width_->setValue(look_.line_width);
}

void TGraphControlsDlg::ResetToDefaults()
{
    look_ = GraphAppearance::Defaults();
    ShowLook();
}

GraphAppearance TGraphControlsDlg::Appearance() const
{
    GraphAppearance look = look_;
    look.grid = grid_cb_->isChecked();
    look.bold_titles = bold_cb_->isChecked();
    const QString family = font_box_->currentFont().family();
    look.font_family
        = family == QApplication::font().family() && look_.font_family.isEmpty() ? QString() : family;
    look.font_point_size = font_size_->value();
    look.line_width = line_width_->value();
    return look;
}

} // namespace fw
