#include "shell/forms/cleanup_form.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/cleanup_list.h"

namespace fw {

TCleanupForm::TCleanupForm(CleanupList& list, QWidget* parent)
    : QDialog(parent)
    , list_(list)
{
    setObjectName(QStringLiteral("CleanupForm"));
    setWindowTitle(QStringLiteral("Delete Frame File Directories"));
    file_list_ = new QListWidget(this);
    file_list_->setObjectName(QStringLiteral("FileList"));
    file_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    file_list_->setMinimumSize(420, 200);
    delete_button_ = new QPushButton(QStringLiteral("&Delete"), this);
    delete_button_->setObjectName(QStringLiteral("DeleteBtn"));
    clear_button_ = new QPushButton(QStringLiteral("Clear &List"), this);
    clear_button_->setObjectName(QStringLiteral("ClearBtn"));
    auto* close_button = new QPushButton(QStringLiteral("&Close"), this);
    close_button->setObjectName(QStringLiteral("CloseBtn"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(delete_button_);
    buttons->addWidget(clear_button_);
    buttons->addStretch(1);
    buttons->addWidget(close_button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_list_);
    layout->addLayout(buttons);

    connect(delete_button_, &QPushButton::clicked, this, &TCleanupForm::DeleteBtnClick);
    connect(clear_button_, &QPushButton::clicked, this, &TCleanupForm::ClearBtnClick);
    connect(close_button, &QPushButton::clicked, this, &QDialog::accept);
    connect(file_list_, &QListWidget::itemSelectionChanged, this, &TCleanupForm::SelectionChanged);
    Refill();
}

void TCleanupForm::Refill()
{
    file_list_->clear();
    file_list_->addItems(list_.Entries());
    file_list_->clearSelection();
    SelectionChanged();
}

void TCleanupForm::SelectionChanged()
{
    delete_button_->setEnabled(!file_list_->selectedItems().isEmpty());
    clear_button_->setEnabled(file_list_->count() > 0);
}

void TCleanupForm::DeleteBtnClick()
{
    QList<qsizetype> rows;
    for (const QListWidgetItem* item : file_list_->selectedItems())
        rows.append(file_list_->row(item));
    list_.DeleteEntries(rows);
    Refill();
}

void TCleanupForm::ClearBtnClick()
{
    list_.Clear();
    Refill();
}

} // namespace fw
