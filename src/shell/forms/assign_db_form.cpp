#include "shell/forms/assign_db_form.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// The plain text editor of a database file.
bool editText(QWidget* parent, const QString& caption, QString& text)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("EditDBForm"));
    dialog.setWindowTitle(caption);
    dialog.resize(520, 400);
    auto* memo = new QPlainTextEdit(&dialog);
    memo->setObjectName(QStringLiteral("Memo"));
    memo->setPlainText(text);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(memo);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !memo->document()->isModified())
        return false;
    text = memo->toPlainText();
    return true;
}

} // namespace

TAssignDBForm::TAssignDBForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AssignDBForm"));
    setWindowTitle(QStringLiteral("Assign Database Files and Sections"));
    file_list_ = new QListWidget(this);
    file_list_->setObjectName(QStringLiteral("FileList"));
    section_list_ = new QListWidget(this);
    section_list_->setObjectName(QStringLiteral("SectionList"));
    connect(file_list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!showing_)
            SelectFile(row);
    });
    connect(section_list_, &QListWidget::itemChanged, this, &TAssignDBForm::SectionToggled);

    auto* add = new QPushButton(QStringLiteral("&Add"), this);
    add->setObjectName(QStringLiteral("AddBtn"));
    remove_button_ = new QPushButton(QStringLiteral("&Remove"), this);
    remove_button_->setObjectName(QStringLiteral("RemoveBtn"));
    edit_button_ = new QPushButton(QStringLiteral("&Edit"), this);
    edit_button_->setObjectName(QStringLiteral("EditBtn"));
    connect(add, &QPushButton::clicked, this, &TAssignDBForm::ChooseFileToAdd);
    connect(remove_button_, &QPushButton::clicked, this, &TAssignDBForm::RemoveSelected);
    connect(edit_button_, &QPushButton::clicked, this, &TAssignDBForm::EditSelected);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lists = new QHBoxLayout;
    auto* files = new QVBoxLayout;
    files->addWidget(new QLabel(QStringLiteral("Database Files"), this));
    files->addWidget(file_list_);
    auto* sections = new QVBoxLayout;
    sections->addWidget(new QLabel(QStringLiteral("Sections"), this));
    sections->addWidget(section_list_);
    lists->addLayout(files);
    lists->addLayout(sections);
    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove_button_);
    row->addWidget(edit_button_);
    row->addStretch();
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(row);
}

bool TAssignDBForm::Edit(DatabaseLists& databases)
{
    Begin(databases);
    if (exec() != QDialog::Accepted)
        return false;
    databases = working_;
    return true;
}

void TAssignDBForm::Begin(const DatabaseLists& databases)
{
    working_ = databases;
    ShowFiles(int(working_.Files().size()) - 2);
}

int TAssignDBForm::Selected() const
{
    const int row = file_list_->currentRow();
    return row >= 0 && size_t(row) + 1 < working_.Files().size() ? row : -1;
}

void TAssignDBForm::ShowFiles(int selected)
{
    showing_ = true;
    file_list_->clear();
    for (size_t i = 0; i + 1 < working_.Files().size(); ++i)
        file_list_->addItem(QFileInfo(working_.Files()[i].path).fileName());
    showing_ = false;
    SelectFile(selected);
}

void TAssignDBForm::SelectFile(int index)
{
    showing_ = true;
    file_list_->setCurrentRow(index);
    showing_ = false;
    const bool chosen = Selected() >= 0;
    edit_button_->setEnabled(chosen);
    remove_button_->setEnabled(chosen);
    section_list_->setEnabled(chosen);
    if (chosen) {
        try {
            working_.RefreshSectionNames(index);
        } catch (const Error& failure) {
            showError(failure.message());
        }
    }
    ShowSections();
}

void TAssignDBForm::ShowSections()
{
    showing_ = true;
    section_list_->clear();
    const int index = Selected();
    if (index >= 0) {
        for (const DatabaseSection& section : working_.Files()[size_t(index)].sections) {
            auto* item = new QListWidgetItem(section.name, section_list_);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(section.checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    showing_ = false;
}

void TAssignDBForm::SectionToggled(QListWidgetItem* item)
{
    if (!showing_)
        SetSectionChecked(item->text(), item->checkState() == Qt::Checked);
}

void TAssignDBForm::SetSectionChecked(const QString& section, bool checked)
{
    const int index = Selected();
    if (index < 0)
        return;
    try {
        working_.SetChecked(index, section, checked);
    } catch (const Error& failure) {
        showError(failure.message());
    }
    ShowSections();
}

void TAssignDBForm::AddFile(const QString& path)
{
    if (path.isEmpty() || !working_.AddFile(path))
        return;
    ShowFiles(int(working_.Files().size()) - 2);
}

void TAssignDBForm::RemoveSelected()
{
    const int index = Selected();
    if (index < 0)
        return;
    working_.RemoveFile(index);
    ShowFiles(std::min(index, int(working_.Files().size()) - 2));
}

void TAssignDBForm::ChooseFileToAdd()
{
    const int index = Selected();
    const QString start = index >= 0 ? working_.Files()[size_t(index)].path : QString();
    AddFile(QFileDialog::getOpenFileName(
        this, QStringLiteral("Add Database File"), start, QStringLiteral("INI files (*.ini)")));
}

bool TAssignDBForm::SaveFileText(const QString& text)
{
    const int index = Selected();
    if (index < 0)
        return false;
    const QString path = working_.Files()[size_t(index)].path;
    QSaveFile file(path);
    QByteArray bytes = text.toLocal8Bit();
    bytes.replace("\n", "\r\n");
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        showError(QStringLiteral("Could not write ") + path + QStringLiteral("\r") + file.errorString());
        return false;
    }
    SelectFile(index);
    return true;
}

void TAssignDBForm::EditSelected()
{
    const int index = Selected();
    if (index < 0)
        return;
    const QString path = working_.Files()[size_t(index)].path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showError(QStringLiteral("Could not read ") + path + QStringLiteral("\r") + file.errorString());
        return;
    }
    QString text
        = QString::fromLocal8Bit(file.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    file.close();
    if (editText(this, QStringLiteral("Edit ") + QFileInfo(path).fileName(), text))
        SaveFileText(text);
}

} // namespace fw
