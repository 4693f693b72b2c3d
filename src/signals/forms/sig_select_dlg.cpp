#include "signals/forms/sig_select_dlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "signals/signal_file.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kFilter
    = QStringLiteral("ASCII Column(s) (asc csv prn txt) (*.txt *.asc *.prn *.csv *.TXT *.ASC "
                     "*.PRN *.CSV)");

QStringList DialogChooser(
    QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

TSigSelectDlg::FileChooser& fileChooser()
{
    static TSigSelectDlg::FileChooser chooser = DialogChooser;
    return chooser;
}

} // namespace

TSigSelectDlg::TSigSelectDlg(QWidget* parent)
    : QDialog(parent)
    , loader_([](const QString& file_name) { return std::make_unique<TASCIIColumn>(file_name); })
{
    setObjectName(QStringLiteral("SigSelectDlg"));
    setWindowTitle(QStringLiteral("Signal Graphing Setup"));
    BuildWidgets();
    UpdateButtons();
}

TSigSelectDlg::~TSigSelectDlg() = default;

void TSigSelectDlg::SetFileChooser(FileChooser chooser)
{
    fileChooser() = chooser ? std::move(chooser) : FileChooser(DialogChooser);
}

void TSigSelectDlg::BuildWidgets()
{
    auto* grid = new QGridLayout(this);
    auto* source_caption = new QLabel(QStringLiteral("Signal Files"), this);
    src_list_ = new QListWidget(this);
    src_list_->setObjectName(QStringLiteral("SrcList"));
    src_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    src_list_->setMinimumWidth(220);
    source_caption->setBuddy(src_list_);
    grid->addWidget(source_caption, 0, 0);
    grid->addWidget(src_list_, 1, 0, 2, 1);
    grid->addWidget(
        BuildTarget(SigList::Separate, QStringLiteral("Separate Axis Graphing"), QStringLiteral("Sep")), 1,
        1);
    grid->addWidget(
        BuildTarget(SigList::Overlay, QStringLiteral("Overlay Graphing"), QStringLiteral("Ovl")), 2, 1);

    auto* files = new QHBoxLayout;
    open_btn_ = new QPushButton(QStringLiteral("&Add File(s)..."), this);
    open_btn_->setObjectName(QStringLiteral("OpenBtn"));
    open_btn_->setToolTip(QStringLiteral("Add to Signal Files List"));
    remove_btn_ = new QPushButton(QStringLiteral("&Remove File(s)"), this);
    remove_btn_->setObjectName(QStringLiteral("RemoveBtn"));
    remove_btn_->setToolTip(QStringLiteral("Remove Selected Signal Files"));
    files->addWidget(open_btn_);
    files->addWidget(remove_btn_);
    files->addStretch(1);
    grid->addLayout(files, 3, 0);

    auto* options = new QHBoxLayout;
    share_axis_cb_ = new QCheckBox(QStringLiteral("Share First Axis"), this);
    share_axis_cb_->setObjectName(QStringLiteral("ShareAxisCB"));
    auto* scaling = new QGroupBox(QStringLiteral("Scaling"), this);
    scaling->setObjectName(QStringLiteral("ScalingGB"));
    auto* scaling_row = new QHBoxLayout(scaling);
    auto_rb_ = new QRadioButton(QStringLiteral("A&uto"), scaling);
    auto_rb_->setObjectName(QStringLiteral("AutoRB"));
    linear_rb_ = new QRadioButton(QStringLiteral("&Linear"), scaling);
    linear_rb_->setObjectName(QStringLiteral("LinearRB"));
    log_rb_ = new QRadioButton(QStringLiteral("L&og"), scaling);
    log_rb_->setObjectName(QStringLiteral("LogRB"));
    linear_rb_->setChecked(true);
    for (QRadioButton* button : { auto_rb_, linear_rb_, log_rb_ })
        scaling_row->addWidget(button);
    options->addWidget(share_axis_cb_);
    options->addWidget(scaling);
    grid->addLayout(options, 3, 1);

    auto* buttons = new QHBoxLayout;
    ok_btn_ = new QPushButton(QStringLiteral("OK"), this);
    ok_btn_->setObjectName(QStringLiteral("OKBtn"));
    ok_btn_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    buttons->addStretch(1);
    buttons->addWidget(ok_btn_);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 2);

    connect(open_btn_, &QPushButton::clicked, this, &TSigSelectDlg::OpenBtnClick);
    connect(remove_btn_, &QPushButton::clicked, this, &TSigSelectDlg::RemoveBtnClick);
    connect(ok_btn_, &QPushButton::clicked, this, &TSigSelectDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TSigSelectDlg::reject);
    for (QListWidget* list : { src_list_, separate_list_, overlay_list_ })
        connect(list, &QListWidget::itemSelectionChanged, this, &TSigSelectDlg::UpdateButtons);
}

QWidget* TSigSelectDlg::BuildTarget(SigList target, const QString& caption, const QString& tag)
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* column = new QVBoxLayout;
    MoveButtons& buttons = target == SigList::Separate ? separate_buttons_ : overlay_buttons_;
    auto make = [&](const char* text, const QString& name, const QString& hint) {
        auto* button = new QPushButton(QLatin1String(text), box);
        button->setObjectName(tag + name);
        button->setToolTip(hint);
        button->setFixedWidth(36);
        column->addWidget(button);
        return button;
    };
    buttons.move = make(">", QStringLiteral("MoveBtn"), QStringLiteral("Move Selected Signals"));
    buttons.move_all = make(">>", QStringLiteral("MoveAllBtn"), QStringLiteral("Move All Signals"));
    buttons.back = make("<", QStringLiteral("BackBtn"), QStringLiteral("Move Back Selected Signals"));
    buttons.back_all = make("<<", QStringLiteral("BackAllBtn"), QStringLiteral("Move Back All Signals"));
    column->addStretch(1);
    row->addLayout(column);

    auto* list_column = new QVBoxLayout;
    auto* label = new QLabel(caption, box);
    auto* list = new QListWidget(box);
    list->setObjectName(
        target == SigList::Separate ? QStringLiteral("SeparateList") : QStringLiteral("OverlayList"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setMinimumWidth(220);
    label->setBuddy(list);
    list_column->addWidget(label);
    list_column->addWidget(list);
    row->addLayout(list_column, 1);
    (target == SigList::Separate ? separate_list_ : overlay_list_) = list;

    connect(buttons.move, &QPushButton::clicked, this, [this, target] { MoveClick(target, false); });
    connect(buttons.move_all, &QPushButton::clicked, this, [this, target] { MoveClick(target, true); });
    connect(buttons.back, &QPushButton::clicked, this, [this, target] { MoveBackClick(target, false); });
    connect(buttons.back_all, &QPushButton::clicked, this, [this, target] { MoveBackClick(target, true); });
    return box;
}

QListWidget* TSigSelectDlg::ListOf(SigList list) const
{
    switch (list) {
    case SigList::Separate:
        return separate_list_;
    case SigList::Overlay:
        return overlay_list_;
    case SigList::Source:
        break;
    }
    return src_list_;
}

std::vector<int> TSigSelectDlg::SelectedRows(SigList list) const
{
    std::vector<int> rows;
    QListWidget* widget = ListOf(list);
    for (int row = 0; row < widget->count(); ++row) {
        if (widget->item(row)->isSelected())
            rows.push_back(row);
    }
    return rows;
}

void TSigSelectDlg::Refill(SigList list, const std::vector<int>& selected)
{
    QListWidget* widget = ListOf(list);
    const QSignalBlocker block(widget);
    widget->clear();
    for (const SignalEntry& entry : lists_.List(list))
        widget->addItem(entry.name);
    for (int row : selected) {
        if (QListWidgetItem* item = widget->item(row))
            item->setSelected(true);
    }
}

void TSigSelectDlg::UpdateButtons()
{
    const int selected_sources = int(SelectedRows(SigList::Source).size());
    for (SigList target : { SigList::Separate, SigList::Overlay }) {
        MoveButtons& buttons = target == SigList::Separate ? separate_buttons_ : overlay_buttons_;
        buttons.move->setEnabled(lists_.CanMove(selected_sources));
        buttons.move_all->setEnabled(lists_.CanMoveAll());
        buttons.back->setEnabled(lists_.CanMoveBack(target, int(SelectedRows(target).size())));
        buttons.back_all->setEnabled(lists_.CanMoveBackAll(target));
    }
    remove_btn_->setEnabled(selected_sources > 0);
    ok_btn_->setEnabled(lists_.CanAccept());
}

void TSigSelectDlg::MoveClick(SigList target, bool all)
{
    if (all)
        lists_.MoveAll(target);
    else
        lists_.Move(target, SelectedRows(SigList::Source));
    Refill(SigList::Source);
    Refill(target);
    UpdateButtons();
}

void TSigSelectDlg::MoveBackClick(SigList target, bool all)
{
    if (all)
        lists_.MoveBackAll(target);
    else
        lists_.MoveBack(target, SelectedRows(target));
    Refill(target);
    Refill(SigList::Source);
    UpdateButtons();
}

void TSigSelectDlg::AddFiles(const QStringList& file_names)
{
    std::vector<int> added;
    for (const QString& file_name : file_names) {
        try {
            std::shared_ptr<TSigClass> signal = loader_(file_name);
            if (!signal)
                throw Error(QString::fromLatin1(kNotSignalFileText));
            lists_.AddSource(SignalEntry { signal->FullName(), std::move(signal) });
            added.push_back(int(lists_.List(SigList::Source).size()) - 1);
            last_file_name_ = file_name;
        } catch (const std::exception& failure) {
            const QString text = dynamic_cast<const Error*>(&failure)
                ? static_cast<const Error&>(failure).message()
                : QString::fromLocal8Bit(failure.what());
            showError(text, file_name + QStringLiteral(" Signal Not Added"));
        }
    }
    // The newly added signals come selected, ready to be moved.
    std::vector<int> selected = SelectedRows(SigList::Source);
    selected.insert(selected.end(), added.begin(), added.end());
    Refill(SigList::Source, selected);
    UpdateButtons();
}

void TSigSelectDlg::OpenBtnClick()
{
    const QString folder = last_file_name_.isEmpty() ? QString() : QFileInfo(last_file_name_).absolutePath();
    const QStringList names = fileChooser()(this, QStringLiteral("Select Signal File(s)"), folder, kFilter);
    AddFiles(names);
}

void TSigSelectDlg::RemoveBtnClick()
{
    lists_.RemoveSource(SelectedRows(SigList::Source));
    Refill(SigList::Source);
    UpdateButtons();
}

bool TSigSelectDlg::ShareFirstAxis() const
{
    return share_axis_cb_->isChecked();
}

GraphScaling TSigSelectDlg::Scaling() const
{
    if (auto_rb_->isChecked())
        return GraphScaling::Auto;
    return log_rb_->isChecked() ? GraphScaling::Log : GraphScaling::Linear;
}

void TSigSelectDlg::accept()
{
    if (!lists_.CanAccept())
        return;
    QDialog::accept();
}

} // namespace fw
