#include "measure/forms/plot_columns_dlg.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "measure/measure_sheet.h"
#include "measure/measured_signals.h"
#include "measure/sheet_elements.h"

namespace fw {

PlotColumnsDlg::PlotColumnsDlg(
    const MeasureSheet& sheet, const std::vector<const TSheetElement*>& checked, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PlotColumnsDlg"));
    setWindowTitle(QStringLiteral("Plot Measured Data"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Columns to plot against the clip's time (at most %1):").arg(kMaxGraphSignals), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("PlotColumnsList"));
    layout->addWidget(list_);
    for (int grid_column = 1; grid_column < sheet.ColumnCount(); ++grid_column) {
        const TSheetElement* column = sheet.ColumnAt(grid_column);
        columns_.push_back(column);
        auto* item = new QListWidgetItem(MeasuredSignalName(*column), list_);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        const bool check = std::find(checked.begin(), checked.end(), column) != checked.end();
        item->setCheckState(check ? Qt::Checked : Qt::Unchecked);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("OKBtn"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemChanged, this, &PlotColumnsDlg::UpdateChecks);
    UpdateChecks();
}

std::vector<const TSheetElement*> PlotColumnsDlg::Chosen() const
{
    std::vector<const TSheetElement*> chosen;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->checkState() == Qt::Checked)
            chosen.push_back(columns_[size_t(row)]);
    return chosen;
}

void PlotColumnsDlg::UpdateChecks()
{
    const QSignalBlocker quiet(list_);
    int checked = 0;
    for (int row = 0; row < list_->count(); ++row) {
        // Checks beyond the limit, from a long selection, are taken back from the bottom.
        QListWidgetItem* item = list_->item(row);
        if (item->checkState() != Qt::Checked)
            continue;
        if (checked < kMaxGraphSignals)
            ++checked;
        else
            item->setCheckState(Qt::Unchecked);
    }
    const bool full = checked >= kMaxGraphSignals;
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        const bool can_check = !full || item->checkState() == Qt::Checked;
        item->setFlags(
            can_check ? (item->flags() | Qt::ItemIsEnabled) : (item->flags() & ~Qt::ItemIsEnabled));
    }
    ok_->setEnabled(checked > 0);
}

} // namespace fw
