#include "imagers/forms/attach_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "imagers/forms/find_form.h"
#include "imagers/forms/imager_name_form.h"
#include "imagers/forms/named_controls.h"
#include "imagers/imager_list.h"
#include "shell/forms/new_window_place.h"
#include "shell/window_placement.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QRect ScreenArea(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

TAttachForm::TAttachForm(TImagerList& list, QWidget* parent)
    : QDialog(parent)
    , list_(list)
{
    setObjectName(QStringLiteral("AttachForm"));
    setWindowTitle(QStringLiteral("Imager Attach and Setup"));
    BuildControls();
    RefillList();
}

void TAttachForm::BuildControls()
{
    imager_list_ = new QListWidget(this);
    imager_list_->setObjectName(QStringLiteral("ImagerList"));
    imager_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    imager_list_->setMinimumSize(220, 220);
    auto* list_label = new QLabel(QStringLiteral("Imagers"), this);
    list_label->setBuddy(imager_list_);
    new_button_ = MakeNamedButton(this, "NewBtn", QStringLiteral("New"));
    delete_button_ = MakeNamedButton(this, "DeleteBtn", QStringLiteral("Delete"));
    rename_button_ = MakeNamedButton(this, "RenameBtn", QStringLiteral("Rename"));
    attach_button_ = MakeNamedButton(this, "AttachBtn", QStringLiteral("Attach"));
    attach_button_->setDefault(true);
    auto* cancel_button = MakeNamedButton(this, "CancelBtn", QStringLiteral("Cancel"));
    auto* close_button = MakeNamedButton(this, "CloseBtn", QStringLiteral("Close"));
    setup_button_ = MakeNamedButton(
        this, "SetupBtn", QStringLiteral("Setup"), QStringLiteral("Display Imager Setup Controls"));
    find_button_ = MakeNamedButton(
        this, "FindBtn", QStringLiteral("Find"), QStringLiteral("Search Interface for Imagers"));
    auto_detach_check_ = MakeNamedCheck(
        this, "AutoDetachCheck", QStringLiteral("Auto Detach"), QStringLiteral("Detach After Download"));
    update_clock_check_ = MakeNamedCheck(this, "UpdateClockCheck", QStringLiteral("Update Clock"),
        QStringLiteral("Set Imager Date/Time on Attach"));

    auto* list_buttons = new QHBoxLayout;
    list_buttons->addWidget(new_button_);
    list_buttons->addWidget(delete_button_);
    list_buttons->addWidget(rename_button_);
    auto* list_column = new QVBoxLayout;
    list_column->addWidget(list_label);
    list_column->addWidget(imager_list_, 1);
    list_column->addLayout(list_buttons);

    auto* buttons = new QVBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*> {
             attach_button_, cancel_button, close_button, setup_button_, find_button_ })
        buttons->addWidget(widget);
    buttons->addStretch(1);
    auto* right_column = new QVBoxLayout;
    auto* top_right = new QHBoxLayout;
    top_right->addWidget(BuildFields(), 1);
    top_right->addLayout(buttons);
    right_column->addLayout(top_right);
    right_column->addWidget(auto_detach_check_);
    right_column->addWidget(update_clock_check_);
    right_column->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(list_column, 1);
    layout->addLayout(right_column);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(imager_list_, &QListWidget::itemSelectionChanged, this, &TAttachForm::ListSelectionChanged);
    connect(imager_list_, &QListWidget::itemDoubleClicked, this, [this] { AttachBtnClick(); });
    connect(new_button_, &QPushButton::clicked, this, &TAttachForm::NewBtnClick);
    connect(delete_button_, &QPushButton::clicked, this, &TAttachForm::DeleteBtnClick);
    connect(rename_button_, &QPushButton::clicked, this, &TAttachForm::RenameBtnClick);
    connect(attach_button_, &QPushButton::clicked, this, &TAttachForm::AttachBtnClick);
    connect(cancel_button, &QPushButton::clicked, this, &TAttachForm::reject);
    connect(close_button, &QPushButton::clicked, this, &TAttachForm::CloseBtnClick);
    connect(setup_button_, &QPushButton::clicked, this, &TAttachForm::SetupBtnClick);
    connect(find_button_, &QPushButton::clicked, this, &TAttachForm::FindBtnClick);
}

QWidget* TAttachForm::BuildFields()
{
    ident_group_ = new QGroupBox(QStringLiteral("Imager Identification"), this);
    ident_group_->setObjectName(QStringLiteral("IdentGroup"));
    type_combo_ = new QComboBox(ident_group_);
    type_combo_->setObjectName(QStringLiteral("TypeCombo"));
    for (int kind = 0; kind < kImagerKindCount; ++kind)
        type_combo_->addItem(ImagerKindName(kind), kind);
    interface_combo_ = new QComboBox(ident_group_);
    interface_combo_->setObjectName(QStringLiteral("InterfaceCombo"));
    ip_edit_ = new QLineEdit(ident_group_);
    ip_edit_->setObjectName(QStringLiteral("IPAddressEdit"));
    // Four fields of up to three digits; blanks stand for places not typed.
    ip_edit_->setInputMask(QStringLiteral("000.000.000.000; "));
    id_edit_ = new QLineEdit(ident_group_);
    id_edit_->setObjectName(QStringLiteral("ImagerIDEdit"));
    id_edit_->setMaxLength(3);
    id_edit_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,3}|\\?\\?\\?")), id_edit_));
    baud_combo_ = new QComboBox(ident_group_);
    baud_combo_->setObjectName(QStringLiteral("BaudRateCombo"));
    for (int rate : kImagerBaudRates)
        baud_combo_->addItem(QString::number(rate));
    attached_label_ = new QLabel(QStringLiteral("* ATTACHED *"), ident_group_);
    attached_label_->setObjectName(QStringLiteral("AttachedLabel"));
    attached_label_->setAlignment(Qt::AlignCenter);

    auto* fields = new QFormLayout(ident_group_);
    fields->addRow(QStringLiteral("Type"), type_combo_);
    fields->addRow(QStringLiteral("Interface"), interface_combo_);
    fields->addRow(QStringLiteral("IP Address"), ip_edit_);
    fields->addRow(QStringLiteral("Imager ID"), id_edit_);
    fields->addRow(QStringLiteral("Baud Rate"), baud_combo_);
    fields->addRow(attached_label_);

    for (QComboBox* combo : { type_combo_, interface_combo_, baud_combo_ })
        connect(combo, &QComboBox::activated, this, &TAttachForm::FieldEdited);
    for (QLineEdit* edit : { ip_edit_, id_edit_ })
        connect(edit, &QLineEdit::editingFinished, this, &TAttachForm::FieldEdited);
    return ident_group_;
}

// ---------------------------------------------------------------------------------------------
// Settings

void TAttachForm::Load(const SettingsStore& store)
{
    list_.Load(store);
    auto_detach_check_->setChecked(list_.Preferences().auto_detach);
    update_clock_check_->setChecked(list_.Preferences().update_clock);
    RefillList();
    const WindowPlacement current { y(), x(), width(), height(), 0 };
    const WindowPlacement placed = ReadPlacement(store, objectName(), current, ScreenArea(*this));
    move(placed.left, placed.top);
}

void TAttachForm::Save(SettingsStore& store)
{
    list_.Preferences().auto_detach = auto_detach_check_->isChecked();
    list_.Preferences().update_clock = update_clock_check_->isChecked();
    list_.Save(store);
    WritePlacement(store, objectName(), WindowPlacement { y(), x(), width(), height(), 0 }, false);
}

bool TAttachForm::Select()
{
    // Links may have attached or detached entries since the window was last shown.
    RefillList();
    const bool attach = exec() == QDialog::Accepted;
    list_.Preferences().auto_detach = auto_detach_check_->isChecked();
    list_.Preferences().update_clock = update_clock_check_->isChecked();
    if (attach)
        list_.MarkForAttach();
    return attach;
}

// ---------------------------------------------------------------------------------------------
// The list and the fields

void TAttachForm::RefillList()
{
    {
        const QSignalBlocker block(imager_list_);
        imager_list_->clear();
        for (int row = 0; row < list_.Count(); ++row) {
            imager_list_->addItem(list_.Entry(row).name);
            imager_list_->item(row)->setSelected(list_.IsSelected(row));
        }
        if (const std::vector<int> rows = list_.SelectedRows(); !rows.empty())
            imager_list_->setCurrentRow(rows.front(), QItemSelectionModel::NoUpdate);
    }
    RefreshFields();
}

void TAttachForm::ListSelectionChanged()
{
    for (int row = 0; row < list_.Count() && row < imager_list_->count(); ++row)
        list_.SetSelected(row, imager_list_->item(row)->isSelected());
    RefreshFields();
}

void TAttachForm::SelectRow(int row)
{
    list_.SelectOnly(row);
    RefillList();
}

void TAttachForm::RefreshFields()
{
    const TImagerFieldView view = FieldViewOf(list_);
    refreshing_ = true;
    ShowFields(view);
    EnableFields(view);
    refreshing_ = false;
}

void TAttachForm::ShowFields(const TImagerFieldView& view)
{
    const QSignalBlocker block_type(type_combo_);
    const QSignalBlocker block_interface(interface_combo_);
    const QSignalBlocker block_baud(baud_combo_);
    type_combo_->setCurrentIndex(view.single ? type_combo_->findData(view.kind) : -1);
    interface_combo_->clear();
    interface_combo_->addItems(view.interfaces);
    interface_combo_->setCurrentIndex(view.interface_row);
    ip_edit_->setText(view.ip_text);
    id_edit_->setText(view.identifier_text);
    baud_combo_->setCurrentIndex(baud_combo_->findText(view.baud_text));
    attached_label_->setVisible(view.attached);
}

void TAttachForm::EnableFields(const TImagerFieldView& view)
{
    type_combo_->setEnabled(view.single);
    interface_combo_->setEnabled(view.single);
    ip_edit_->setEnabled(view.ip_enabled);
    id_edit_->setEnabled(view.identifier_enabled);
    baud_combo_->setEnabled(view.baud_enabled);
    delete_button_->setEnabled(view.single);
    rename_button_->setEnabled(view.single);
    setup_button_->setEnabled(view.setup_enabled);
    attach_button_->setEnabled(view.attach_enabled);
}

TImagerFieldTexts TAttachForm::ShownTexts() const
{
    TImagerFieldTexts texts;
    texts.kind = type_combo_->currentData().isValid() ? type_combo_->currentData().toInt() : ikUnknown;
    texts.port_name = interface_combo_->currentText();
    // An address field left empty still holds the mask's dots.
    texts.ip_text = ip_edit_->text();
    if (texts.ip_text.count(QLatin1Char('.')) == texts.ip_text.size())
        texts.ip_text.clear();
    texts.identifier_text = id_edit_->text();
    texts.baud_text = baud_combo_->currentText();
    return texts;
}

void TAttachForm::FieldEdited()
{
    const int row = list_.SingleSelectedRow();
    // The warning below takes the focus, which ends the edit a second time.
    if (refreshing_ || editing_ || row < 0)
        return;
    editing_ = true;
    TAttacher& entry = list_.Entry(row);
    const TImagerFieldEdit edit = ApplyFieldTexts(entry, ShownTexts(), ip_edit_->isEnabled(), list_.Ports());
    id_edit_->setText(edit.identifier_text);
    ip_edit_->setText(edit.ip_text);
    if (edit.ip_adjusted)
        showWarning(IPAdjustedWarning(entry.name));
    RefreshFields();
    editing_ = false;
}

void TAttachForm::StoreFields()
{
    FieldEdited();
}

// ---------------------------------------------------------------------------------------------
// Commands

void TAttachForm::NewBtnClick()
{
    const std::optional<QString> name = TImagerNameForm::Ask(list_, QStringLiteral("New Imager"), this);
    if (!name)
        return;
    QString value = DefaultImagerValue();
    if (list_.SingleSelectedRow() >= 0) {
        TImagerFieldTexts texts = ShownTexts();
        texts.identifier_text.clear();
        value = FieldsValue(texts);
    }
    SelectRow(list_.Add(*name, value));
}

void TAttachForm::DeleteBtnClick()
{
    const int row = list_.SingleSelectedRow();
    if (row < 0)
        return;
    list_.Remove(row);
    SelectRow(list_.Count() == 0 ? -1 : std::max(row - 1, 0));
}

void TAttachForm::RenameBtnClick()
{
    const int row = list_.SingleSelectedRow();
    if (row < 0)
        return;
    const std::optional<QString> name
        = TImagerNameForm::Ask(list_, QStringLiteral("Rename ") + list_.Entry(row).name, this);
    if (name)
        SelectRow(list_.Rename(row, *name));
}

void TAttachForm::FindBtnClick()
{
    TFindForm form(list_, search_, this);
    form.SetFoundListed([this] { RefillList(); });
    form.exec();
    RefillList();
}

void TAttachForm::SetupBtnClick()
{
    const int row = list_.SingleSelectedRow();
    if (row < 0)
        return;
    if (!setup_.Available()) {
        showInformation(QStringLiteral("This version cannot show the imager setup controls yet."));
        return;
    }
    StoreFields();
    if (RunImagerSetup(list_.Entry(row), update_clock_check_->isChecked(), setup_) == SetupOutcome::Changed)
        RefreshFields();
}

void TAttachForm::AttachBtnClick()
{
    StoreFields();
    accept();
}

void TAttachForm::CloseBtnClick()
{
    StoreFields();
    done(QDialog::Rejected);
}

} // namespace fw
