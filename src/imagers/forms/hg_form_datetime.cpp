#include "imagers/forms/hg_form_datetime.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "imagers/forms/hg_form_session.h"
#include "imagers/hg/hg_irig_time.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kTick_ms = 1000;
constexpr int kTicksPerStatusPoll = 3;

QLineEdit* MakeClockEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QLabel* MakeClockLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

THGDateTimePage::THGDateTimePage(THGSetupSession& session, QWidget* parent)
    : THGSetupPage(session, "DateTimePage", parent)
    , timer_(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildIrig());
    layout->addWidget(BuildClock());
    layout->addStretch(1);
    timer_->setInterval(kTick_ms);
    connect(timer_, &QTimer::timeout, this, &THGDateTimePage::Tick);
}

QGroupBox* THGDateTimePage::BuildIrig()
{
    irig_group_ = new QGroupBox(QStringLiteral("IRIG Time at Trigger"), this);
    irig_day_ = MakeNamedNumber(irig_group_, "IrigDayEdit", 0, 366);
    irig_hours_ = MakeNamedNumber(irig_group_, "IrigHourEdit", 0, 23);
    irig_minutes_ = MakeNamedNumber(irig_group_, "IrigMinEdit", 0, 59);
    irig_seconds_ = MakeNamedNumber(irig_group_, "IrigSecEdit", 0, 59);
    irig_ms_ = new QDoubleSpinBox(irig_group_);
    irig_ms_->setObjectName(QStringLiteral("IrigMsEdit"));
    irig_ms_->setRange(0.0, 999.9);
    irig_ms_->setDecimals(1);
    auto* set = MakeNamedButton(irig_group_, "SetIrigBtn", QStringLiteral("Set IRIG Time"),
        QStringLiteral("Set IRIG Time from Field Entries"));
    auto* now = MakeNamedButton(
        irig_group_, "IrigNowBtn", QStringLiteral("Match Computer"), QStringLiteral("Set IRIG Time to Now"));
    auto* grid = new QGridLayout(irig_group_);
    const QStringList captions { QStringLiteral("Day"), QStringLiteral("Hours"), QStringLiteral("Minutes"),
        QStringLiteral("Seconds"), QStringLiteral("ms") };
    const QList<QWidget*> fields { irig_day_, irig_hours_, irig_minutes_, irig_seconds_, irig_ms_ };
    for (int i = 0; i < fields.size(); ++i) {
        grid->addWidget(new QLabel(captions[i], irig_group_), 0, i);
        grid->addWidget(fields[i], 1, i);
    }
    grid->addWidget(set, 2, 0, 1, 2);
    grid->addWidget(now, 2, 3, 1, 2);
    connect(set, &QPushButton::clicked, this, &THGDateTimePage::SetIrigBtnClick);
    connect(now, &QPushButton::clicked, this, &THGDateTimePage::IrigNowBtnClick);
    return irig_group_;
}

QGroupBox* THGDateTimePage::BuildClock()
{
    auto* group = new QGroupBox(QStringLiteral("Date and Time"), this);
    pc_date_label_ = MakeClockLabel(group, "PCDateLabel");
    pc_time_label_ = MakeClockLabel(group, "PCTimeLabel");
    imager_date_edit_ = MakeClockEdit(group, "ImagerDateEdit");
    imager_time_edit_ = MakeClockEdit(group, "ImagerTimeEdit");
    auto* now = MakeNamedButton(group, "ClockNowBtn", QStringLiteral("Match Computer"),
        QStringLiteral("Set Imager Date and Time to Now"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Date"), group), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Time"), group), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Computer"), group), 1, 0);
    grid->addWidget(pc_date_label_, 1, 1);
    grid->addWidget(pc_time_label_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Imager"), group), 2, 0);
    grid->addWidget(imager_date_edit_, 2, 1);
    grid->addWidget(imager_time_edit_, 2, 2);
    grid->addWidget(now, 3, 1, 1, 2);
    connect(imager_date_edit_, &QLineEdit::editingFinished, this, &THGDateTimePage::ImagerDateExit);
    connect(imager_time_edit_, &QLineEdit::editingFinished, this, &THGDateTimePage::ImagerTimeExit);
    connect(now, &QPushButton::clicked, this, &THGDateTimePage::ClockNowBtnClick);
    return group;
}

void THGDateTimePage::Enter()
{
    irig_group_->setEnabled(session_.NewModel());
    if (session_.NewModel()) {
        session_.Guarded([this] {
            if (const auto time = ParseHGIrigTime(session_.Link().ReadStringRegister(hgcmd::kString47)))
                ShowIrig(*time);
        });
    }
    ticks_ = 0;
    Tick();
    timer_->start();
}

void THGDateTimePage::Leave()
{
    timer_->stop();
}

void THGDateTimePage::Tick()
{
    // A tick that comes while the window waits for the imager is skipped, not queued.
    if (session_.Busy())
        return;
    ++ticks_;
    session_.Guarded([this] {
        ShowClocks();
        if (ticks_ % kTicksPerStatusPoll == 0)
            session_.Link().StartCommand(csStatusResp, hgcmd::kState);
    });
}

void THGDateTimePage::ShowClocks()
{
    const QDateTime now = QDateTime::currentDateTime();
    pc_date_label_->setText(now.toString(QStringLiteral("MM/dd/yy")));
    pc_time_label_->setText(now.toString(QStringLiteral("HH:mm:ss")));
    if (!imager_date_edit_->hasFocus())
        imager_date_edit_->setText(HGDateText(session_.Read(hgcmd::kDate)));
    if (!imager_time_edit_->hasFocus())
        imager_time_edit_->setText(HGTimeText(session_.Read(hgcmd::kTime)));
}

// ---- IRIG -------------------------------------------------------------------------------------

void THGDateTimePage::ShowIrig(const HGIrigTime& time)
{
    ShowNumber(irig_day_, time.day);
    ShowNumber(irig_hours_, time.hours);
    ShowNumber(irig_minutes_, time.minutes);
    ShowNumber(irig_seconds_, time.seconds);
    irig_ms_->setValue(time.milliseconds);
}

HGIrigTime THGDateTimePage::ShownIrig() const
{
    return { irig_day_->value(), irig_hours_->value(), irig_minutes_->value(), irig_seconds_->value(),
        irig_ms_->value() };
}

void THGDateTimePage::WriteIrig(const HGIrigTime& time)
{
    const int state = session_.ImagerState();
    if (state < 5 || state > 7) {
        showInformation(QStringLiteral("There must be a recording present to use this function"));
        return;
    }
    session_.Link().WriteStringRegister(hgcmd::kString47, QString::fromLatin1(HGIrigTimeArgument(time)));
    if (const auto read = ParseHGIrigTime(session_.Link().ReadStringRegister(hgcmd::kString47)))
        ShowIrig(*read);
}

void THGDateTimePage::SetIrigBtnClick()
{
    session_.Guarded([this] { WriteIrig(ShownIrig()); });
}

void THGDateTimePage::IrigNowBtnClick()
{
    const HGIrigTime now = HGIrigTimeOf(QDateTime::currentDateTime());
    ShowIrig(now);
    session_.Guarded([this, now] { WriteIrig(now); });
}

// ---- Clock ------------------------------------------------------------------------------------

void THGDateTimePage::ImagerDateExit()
{
    if (const auto date = HGDateRegisterOf(imager_date_edit_->text()))
        session_.Guarded([this, date] { session_.Write(hgcmd::kDate, *date); });
}

void THGDateTimePage::ImagerTimeExit()
{
    if (const auto time = HGTimeRegisterOf(imager_time_edit_->text()))
        session_.Guarded([this, time] { session_.Write(hgcmd::kTime, *time); });
}

void THGDateTimePage::ClockNowBtnClick()
{
    session_.Guarded([this] { session_.Link().SetClock(); });
}

} // namespace fw
