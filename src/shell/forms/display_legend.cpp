#include "shell/forms/display_legend.h"

#include <cmath>

#include <QLabel>

#include "clips/clip_time_base.h"
#include "shell/clip_window_layout.h"

namespace fw {

using namespace clip_window_metrics;

namespace {

QLabel* makePanel(QWidget* parent, const char* name, int width, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFixedSize(width, kLegendHeight);
    return label;
}

// Fixed notation with 5 significant digits and 1 decimal.
QString reticleText(float value)
{
    const double rounded = QString::number(double(value), 'g', 5).toDouble();
    if (std::fabs(rounded) >= 1e5)
        return QString::number(rounded, 'e', 4);
    return QString::number(rounded, 'f', 1);
}

} // namespace

DisplayLegend::DisplayLegend(QWidget* parent)
    : QWidget(parent)
    , frame_panel_(makePanel(this, "FramePanel", kFramePanelWidth, Qt::AlignHCenter))
    , reticle_panel_(makePanel(this, "ReticlePanel", kReticlePanelWidth, Qt::AlignHCenter))
    , time_panel_(new QWidget(this))
    , time_value_(makePanel(time_panel_, "TimeLabel", kTimeValueWidth, Qt::AlignRight))
    , time_unit_(new QLabel(time_panel_))
{
    setObjectName(QStringLiteral("LegendPanel"));
    time_panel_->setObjectName(QStringLiteral("TimePanel"));
    time_panel_->setFixedSize(kTimePanelWidth, kLegendHeight);
    time_unit_->setObjectName(QStringLiteral("TimeUnits"));
    time_unit_->setGeometry(kTimeValueWidth, 0, kTimeUnitWidth, kLegendHeight);
    time_unit_->setAlignment(Qt::AlignCenter);
}

void DisplayLegend::ShowParts(const ClipWindowParts& parts)
{
    frame_panel_->setVisible(parts.frame_counter);
    time_panel_->setVisible(parts.time_counter);
    reticle_panel_->setVisible(parts.reticle);
    setVisible(parts.legend);
}

void DisplayLegend::Place(const QRect& area, const LegendPositions& at)
{
    setGeometry(area);
    frame_panel_->move(at.frame_left, 0);
    reticle_panel_->move(at.reticle_left, 0);
    time_panel_->move(at.time_left, 0);
}

void DisplayLegend::ShowCounters(int32_t frame_number, const ShownTime& time)
{
    frame_panel_->setText(QString::number(frame_number));
    time_value_->setText(time.text);
    time_unit_->setText(time.unit);
    time_panel_->setToolTip(time.hint);
    time_value_->setToolTip(time.hint);
}

void DisplayLegend::ShowReticle(QPointF point)
{
    reticle_panel_->setText(
        reticleText(float(point.x())) + QStringLiteral(", ") + reticleText(float(point.y())));
}

} // namespace fw
