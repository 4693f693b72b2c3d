#include "signals/forms/graph_status_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace fw {

TGraphStatusBar::TGraphStatusBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    // A push button lowers while pressed and acts only when released over it: the panels'
    // behaviour exactly.
    connect(AddPanel(QStringLiteral("Controls"), QStringLiteral("Chart colours, grid, font and lines")),
        &QPushButton::clicked, this, &TGraphStatusBar::controlsClicked);
    connect(AddPanel(QStringLiteral("Print"), QStringLiteral("Print the chart")), &QPushButton::clicked, this,
        &TGraphStatusBar::printClicked);
    connect(AddPanel(QStringLiteral("Signals"), QStringLiteral("Choose the signals to graph")),
        &QPushButton::clicked, this, &TGraphStatusBar::signalsClicked);
    connect(AddPanel(QStringLiteral("Min"), QStringLiteral("Cursor to the smallest value shown")),
        &QPushButton::clicked, this, &TGraphStatusBar::minClicked);
    connect(AddPanel(QStringLiteral("Max"), QStringLiteral("Cursor to the largest value shown")),
        &QPushButton::clicked, this, &TGraphStatusBar::maxClicked);
    for (QLabel** panel : { &x_panel_, &y_panel_ }) {
        *panel = new QLabel(this);
        (*panel)->setFrameShape(QFrame::Panel);
        (*panel)->setFrameShadow(QFrame::Sunken);
        (*panel)->setMinimumWidth(60);
        (*panel)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(*panel, 1);
    }
    x_panel_->setObjectName(QStringLiteral("XPanel"));
    y_panel_->setObjectName(QStringLiteral("YPanel"));
}

QPushButton* TGraphStatusBar::AddPanel(const QString& caption, const QString& hint)
{
    auto* panel = new QPushButton(caption, this);
    panel->setObjectName(caption + QStringLiteral("Panel"));
    panel->setToolTip(hint);
    panel->setFocusPolicy(Qt::NoFocus);
    // Just wide enough for the caption, so the read-outs keep the room.
    panel->setFixedWidth(panel->fontMetrics().horizontalAdvance(caption) + 18);
    layout()->addWidget(panel);
    return panel;
}

QPushButton* TGraphStatusBar::Panel(const QString& caption) const
{
    return findChild<QPushButton*>(caption + QStringLiteral("Panel"));
}

void TGraphStatusBar::SetReadouts(const QString& x, const QString& y)
{
    x_panel_->setText(x);
    y_panel_->setText(y);
    x_panel_->setToolTip(x);
    y_panel_->setToolTip(y);
}

QString TGraphStatusBar::XText() const
{
    return x_panel_->text();
}

QString TGraphStatusBar::YText() const
{
    return y_panel_->text();
}

} // namespace fw
