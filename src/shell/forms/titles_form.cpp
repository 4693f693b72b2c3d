#include "shell/forms/titles_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

#include "clips/descriptor_block.h"
#include "shell/descriptor_timing.h"
#include "shell/forms/child_form.h"
#include "shell/forms/titles_grid.h"
#include "shell/title_rules.h"

namespace fw {

namespace {

// The mark frame field: its arrows step over 0 on clips whose numbers have no frame zero.
class MarkFrameSpin : public QSpinBox {
public:
    explicit MarkFrameSpin(QWidget* parent)
        : QSpinBox(parent)
    {
        setRange(-99999999, 99999999);
    }
    bool skip_zero = false;

    void stepBy(int steps) override
    {
        int number = value();
        const int direction = steps < 0 ? -1 : 1;
        for (int i = 0; i < std::abs(steps); ++i)
            number = StepMarkNumber(number, direction, skip_zero);
        setValue(number);
    }
};

std::vector<IniEntry> entriesFromLines(const std::vector<std::string>& lines)
{
    std::vector<IniEntry> entries;
    for (const std::string& line : lines)
        entries.push_back(SplitEntry(QString::fromStdString(line)));
    return entries;
}

std::vector<std::string> linesFromEntries(const std::vector<IniEntry>& entries)
{
    std::vector<std::string> lines;
    for (const IniEntry& entry : entries)
        lines.push_back(JoinEntry(entry).toStdString());
    return lines;
}

} // namespace

TTitlesForm::TTitlesForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TitlesForm"));
    setMinimumSize(420, 300);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    BuildTitlesPage();
    BuildTimingPage();
    camera_grid_ = new TitlesGrid(TitlesGrid::Style::NamesPlainValuesBold, pages_);
    camera_grid_->setObjectName(QStringLiteral("CameraGrid"));
    pages_->addTab(camera_grid_, QStringLiteral("Camera"));
    connect(pages_, &QTabWidget::currentChanged, this, &TTitlesForm::PageChanging);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    BuildButtons();
}

void TTitlesForm::BuildTitlesPage()
{
    titles_grid_ = new TitlesGrid(TitlesGrid::Style::NamesPlainValuesBold, pages_);
    titles_grid_->setObjectName(QStringLiteral("TitlesGrid"));
    pages_->addTab(titles_grid_, QStringLiteral("Titles"));
}

void TTitlesForm::BuildTimingPage()
{
    auto* page = new QWidget(pages_);
    auto* grid = new QGridLayout(page);
    rate_field_ = new QLineEdit(page);
    rate_field_->setObjectName(QStringLiteral("FrameRateEdit"));
    rate_field_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(rate_field_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        for (const char* rate : { "250", "500", "1000", "4500" })
            menu.addAction(QLatin1String(rate), this, [this, rate] { SetRateFromMenu(QLatin1String(rate)); });
        menu.exec(rate_field_->mapToGlobal(at));
    });
    connect(rate_field_, &QLineEdit::editingFinished, this, [this] {
        if (rate_field_->isModified())
            ApplyTimingFields();
        rate_field_->setModified(false);
    });
    grid->addWidget(new QLabel(QStringLiteral("Frame Rate"), page), 0, 0);
    grid->addWidget(rate_field_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("frames/second"), page), 0, 2, 1, 3);

    mark_field_ = new MarkFrameSpin(page);
    mark_field_->setObjectName(QStringLiteral("MarkFrameEdit"));
    connect(mark_field_, &QSpinBox::valueChanged, this, &TTitlesForm::MarkFrameChanged);
    time_field_ = new QLineEdit(page);
    time_field_->setObjectName(QStringLiteral("TimeEdit"));
    connect(time_field_, &QLineEdit::editingFinished, this, [this] {
        if (time_field_->isModified())
            ApplyTimingFields();
        time_field_->setModified(false);
    });
    grid->addWidget(new QLabel(QStringLiteral("Time at Frame"), page), 1, 0);
    grid->addWidget(mark_field_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("is"), page), 1, 2);
    grid->addWidget(time_field_, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("ms"), page), 1, 4);

    timing_locked_ = new QCheckBox(QStringLiteral("Timing Locked"), page);
    timing_locked_->setObjectName(QStringLiteral("TimingLockedCB"));
    connect(timing_locked_, &QCheckBox::toggled, this, [this](bool locked) {
        rate_field_->setEnabled(!locked);
        time_field_->setEnabled(!locked);
    });
    grid->addWidget(timing_locked_, 2, 1, 1, 3);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(5, 1);
    pages_->addTab(page, QStringLiteral("Timing"));
}

void TTitlesForm::BuildButtons()
{
    auto* row = new QHBoxLayout;
    const char* names[4] = { "AddBtn", "InsertBtn", "DelBtn", "DefaultBtn" };
    const char* captions[4] = { "Add", "Insert", "Del", "Default" };
    const char* hints[4]
        = { "Add New Title at End", "Insert New Title", "Remove Title", "Merge in Default Titles" };
    for (int i = 0; i < 4; ++i) {
        title_buttons_[i] = new QPushButton(QLatin1String(captions[i]), this);
        title_buttons_[i]->setObjectName(QLatin1String(names[i]));
        title_buttons_[i]->setToolTip(QLatin1String(hints[i]));
        title_buttons_[i]->setAutoDefault(false);
        row->addWidget(title_buttons_[i]);
    }
    connect(title_buttons_[0], &QPushButton::clicked, titles_grid_, &TitlesGrid::AddRow);
    connect(title_buttons_[1], &QPushButton::clicked, titles_grid_, &TitlesGrid::InsertRow);
    connect(title_buttons_[2], &QPushButton::clicked, titles_grid_, &TitlesGrid::RemoveRow);
    connect(title_buttons_[3], &QPushButton::clicked, this, [this] {
        if (!databases_)
            return;
        titles_grid_->SetEntries(
            MergeDefaultTitles(titles_grid_->Entries(), databases_->ResolvedDefaultTitles()));
        changed_ = true;
    });
    connect(titles_grid_, &TitlesGrid::rowsChanged, this,
        [this] { title_buttons_[2]->setEnabled(titles_grid_->rowCount() > 1); });
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkBtn"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

bool TTitlesForm::Edit(TChildForm& child, DatabaseLists& databases)
{
    if (!Begin(child, databases))
        return false;
    return Finish(exec() == QDialog::Accepted);
}

bool TTitlesForm::Begin(TChildForm& child, DatabaseLists& databases)
{
    databases.Refresh();
    if (!databases.Bound())
        return false;
    child_ = &child;
    databases_ = &databases;
    databases.RebuildTitles();
    setWindowTitle(QStringLiteral("Descriptors for ") + child.Title());
    camera_grid_->SetEntries(databases.BuiltIn(DatabaseLists::kCamera));
    titles_grid_->SetEntries(databases.BuiltIn(DatabaseLists::kTitles));
    title_buttons_[3]->setEnabled(databases.HasDefaultTitles());
    static_cast<MarkFrameSpin*>(mark_field_)->skip_zero = child.TimeBase().SkipFrameZero() != 0;
    saved_time_base_ = child.TimeBase();
    ReadBlock(child.TimeBase().Descriptors());
    ApplyTimingFields();
    timing_locked_->setChecked(true);
    rate_field_->setEnabled(false);
    time_field_->setEnabled(false);
    changed_ = false;
    titles_grid_->ClearChanged();
    camera_grid_->ClearChanged();
    title_buttons_[2]->setEnabled(titles_grid_->rowCount() > 1);
    pages_->setCurrentIndex(0);
    shown_page_ = 0;
    return true;
}

void TTitlesForm::ReadBlock(const std::string& block)
{
    QSignalBlocker quiet(mark_field_);
    if (block.empty()) {
        rate_field_->setText(QStringLiteral("1000"));
        mark_field_->setValue(1);
        time_field_->setText(QStringLiteral("0"));
        return;
    }
    std::string rate;
    GetDescriptorValue(block, "Timing", "Frame Rate", rate);
    rate_field_->setText(QString::fromStdString(rate));
    std::string mark_text;
    int32_t mark_index = 0;
    if (GetDescriptorValue(block, "Timing", "Mark Frame", mark_text))
        ParseDescriptorWholeNumber(mark_text, mark_index);
    const ClipTimeBase& time_base = child_->TimeBase();
    mark_field_->setValue(
        IndexToMarkNumber(mark_index, time_base.FirstFrameNumber(), time_base.SkipFrameZero() != 0));
    double time_ms = 0;
    if (!GetDescriptorNumber(block, "Timing", "Time at Mark Frame", time_ms))
        time_ms = 0;
    time_field_->setText(QString::fromStdString(FormatGeneral(time_ms)));
    const DescriptorTiming parsed = ParseDescriptorTiming(block);
    if (!parsed.camera_lines.empty())
        camera_grid_->SetEntries(entriesFromLines(parsed.camera_lines));
    if (!parsed.title_lines.empty())
        titles_grid_->SetEntries(entriesFromLines(parsed.title_lines));
}

TimingFields TTitlesForm::Fields() const
{
    bool time_ok = false;
    const double time_ms = time_field_->text().trimmed().toDouble(&time_ok);
    return { rate_field_->text(), MarkIndex(), time_ok && std::isfinite(time_ms) ? time_ms : 0.0 };
}

int32_t TTitlesForm::MarkIndex() const
{
    const ClipTimeBase& time_base = child_->TimeBase();
    return MarkNumberToIndex(
        mark_field_->value(), time_base.FirstFrameNumber(), time_base.SkipFrameZero() != 0);
}

void TTitlesForm::ApplyTimingFields()
{
    if (!child_)
        return;
    const TimingFields fields = Fields();
    const AppliedTiming applied = fw::ApplyTimingFields(fields);
    if (applied.rate_rewritten)
        rate_field_->setText(applied.frame_rate_text);
    if (float(applied.period_ms) != child_->FramePeriodMs()
        || float(applied.first_frame_time_ms) != child_->FirstFrameTimeMs()) {
        child_->SetTiming(applied.period_ms, applied.first_frame_time_ms);
        time_field_->setText(
            QString::number(fields.time_at_mark_ms, 'f', child_->TimeBase().TimeDecimals() + 1));
        changed_ = true;
    }
}

void TTitlesForm::MarkFrameChanged(int number)
{
    if (!child_)
        return;
    if (number == 0 && child_->TimeBase().SkipFrameZero()) {
        mark_field_->setValue(1);
        return;
    }
    const int32_t index = MarkIndex();
    child_->UserSeek(index);
    const double time_ms = child_->TimeBase().FrameTime(index);
    time_field_->setText(QString::number(time_ms, 'f', child_->TimeBase().TimeDecimals() + 1));
}

void TTitlesForm::SetRateFromMenu(const QString& rate)
{
    rate_field_->setText(rate);
    changed_ = true;
    ApplyTimingFields();
}

void TTitlesForm::PageChanging(int index)
{
    // Leaving the titles page checks the name being edited; a refused name keeps the page.
    if (shown_page_ == 0 && index != 0 && !titles_grid_->CheckCurrentName()) {
        QSignalBlocker quiet(pages_);
        pages_->setCurrentIndex(0);
        return;
    }
    shown_page_ = index;
    for (QPushButton* button : title_buttons_)
        button->setVisible(index == 0);
}

void TTitlesForm::done(int result)
{
    if (result == QDialog::Accepted && (!titles_grid_->CheckAllNames() || !camera_grid_->CheckAllNames()))
        return;
    QDialog::done(result);
}

bool TTitlesForm::Finish(bool accepted)
{
    if (!child_)
        return false;
    const bool confirmed = accepted && (changed_ || titles_grid_->Changed() || camera_grid_->Changed());
    if (confirmed)
        StoreEdits(*child_);
    else
        child_->RestoreTimeBase(saved_time_base_);
    child_ = nullptr;
    return confirmed;
}

void TTitlesForm::StoreEdits(TChildForm& child)
{
    const std::vector<IniEntry> titles = titles_grid_->Entries();
    databases_->SetBuiltIn(DatabaseLists::kTitles, titles);
    const TimingFields fields = Fields();
    databases_->SetBuiltIn(DatabaseLists::kTiming,
        { { QStringLiteral("Frame Rate"), rate_field_->text() },
            { QStringLiteral("Mark Frame"), QString::number(fields.mark_index) },
            { QStringLiteral("Time at Mark Frame"), time_field_->text() } });
    child.ChangeDescriptors(BuildDescriptorBlock(fw::ApplyTimingFields(fields).frame_rate, fields.mark_index,
        fields.time_at_mark_ms, linesFromEntries(camera_grid_->Entries()), linesFromEntries(titles)));
}

} // namespace fw
