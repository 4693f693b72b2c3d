#include "shell/forms/media_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolTip>
#include <qdrawutil.h>

#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kMinDefaultSpacingMs = 4;
constexpr int kMaxDefaultSpacingMs = 40;
// Glyphs are drawn on a 16 × 16 grid and scaled to the cell.
constexpr double kGlyphGrid = 16.0;

int DefaultSpacingMs()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double refresh_hz = screen ? screen->refreshRate() : 0.0;
    if (!(refresh_hz > 0))
        return 1000 / 60;
    const int spacing = static_cast<int>(std::lround(1000.0 / refresh_hz));
    return std::clamp(spacing, kMinDefaultSpacingMs, kMaxDefaultSpacingMs);
}

QPainterPath Polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath Mirrored(const QPainterPath& path)
{
    return QTransform(-1, 0, 0, 1, kGlyphGrid, 0).map(path);
}

QPainterPath Chevrons()
{
    QPainterPath path;
    for (double x : { 1.5, 7.5 })
        path.addPath(
            Polygon({ { x, 2 }, { x + 3, 2 }, { x + 8, 8 }, { x + 3, 14 }, { x, 14 }, { x + 5, 8 } }));
    return path;
}

QPainterPath SkipForward()
{
    QPainterPath path;
    path.addPath(Polygon({ { 2, 3 }, { 7, 8 }, { 2, 13 } }));
    path.addPath(Polygon({ { 7, 3 }, { 12, 8 }, { 7, 13 } }));
    path.addRect(QRectF(12, 3, 2, 10));
    return path;
}

QPainterPath StepForward()
{
    QPainterPath path;
    path.addPath(Polygon({ { 4, 4 }, { 9, 8 }, { 4, 12 } }));
    path.addRect(QRectF(10, 4, 2, 8));
    return path;
}

QPainterPath RepeatArrow()
{
    // A ring open at the upper left, with an arrowhead on its left end pointing up.
    const QPointF centre(8.5, 8.5);
    const QRectF outer(centre.x() - 6.5, centre.y() - 6.5, 13, 13);
    const QRectF inner(centre.x() - 4.5, centre.y() - 4.5, 9, 9);
    QPainterPath path;
    path.arcMoveTo(outer, 90);
    path.arcTo(outer, 90, -270);
    path.arcTo(inner, 180, 270);
    path.closeSubpath();
    path.addPath(Polygon({ { 0, 9 }, { 7, 9 }, { 3.5, 4.5 } }));
    return path;
}

QPainterPath GlyphPath(TMPBtnType button)
{
    QPainterPath path;
    switch (button) {
    case TMPBtnType::btRepeat:
        path = RepeatArrow();
        break;
    case TMPBtnType::btPlay:
        path = Polygon({ { 4, 2 }, { 13, 8 }, { 4, 14 } });
        break;
    case TMPBtnType::btPause:
        path.addRect(QRectF(3, 3, 4, 10));
        path.addRect(QRectF(9, 3, 4, 10));
        break;
    case TMPBtnType::btStop:
        path.addRect(QRectF(3, 3, 10, 10));
        break;
    case TMPBtnType::btNext:
        path = SkipForward();
        break;
    case TMPBtnType::btPrev:
        path = Mirrored(SkipForward());
        break;
    case TMPBtnType::btStep:
        path = StepForward();
        break;
    case TMPBtnType::btBack:
        path = Mirrored(StepForward());
        break;
    case TMPBtnType::btRecord:
        path.addEllipse(QRectF(3, 3, 10, 10));
        break;
    case TMPBtnType::btEject:
        path = Polygon({ { 2, 9 }, { 8, 3 }, { 14, 9 } });
        path.addRect(QRectF(2, 11, 12, 2));
        break;
    case TMPBtnType::btSlow:
        path = Mirrored(Chevrons());
        break;
    case TMPBtnType::btFast:
        path = Chevrons();
        break;
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

QColor ColouredGlyph(TMPBtnType button)
{
    switch (button) {
    case TMPBtnType::btRepeat:
    case TMPBtnType::btPlay:
        return QColor(0, 128, 0);
    case TMPBtnType::btRecord:
        return QColor(200, 0, 0);
    default:
        return QColor(0, 0, 160);
    }
}

void DrawGlyph(
    QPainter& painter, const QRect& cell, TMPBtnType button, const PlayerButton& state, bool sunken)
{
    // Sizes in steps of half the grid keep the glyphs' straight edges on whole pixels.
    const double size = std::max(8.0, 8.0 * std::floor(std::min(cell.width(), cell.height()) * 0.55 / 8.0));
    const QPointF centre = QRectF(cell).center();
    // So does a whole-pixel origin.
    QPointF origin(std::round(centre.x() - size / 2), std::round(centre.y() - size / 2));
    if (sunken)
        origin += QPointF(1, 1);
    QTransform transform;
    transform.translate(origin.x(), origin.y());
    transform.scale(size / kGlyphGrid, size / kGlyphGrid);
    const QPainterPath path = transform.map(GlyphPath(button));
    if (!state.enabled) {
        // Disabled glyphs are etched: a light copy one pixel down-right under a grey one.
        painter.fillPath(path.translated(1, 1), QColor(255, 255, 255));
        painter.fillPath(path, QColor(128, 128, 128));
    } else {
        painter.fillPath(path, state.coloured ? ColouredGlyph(button) : QColor(0, 0, 0));
    }
}

} // namespace

TFWMediaPlayer::TFWMediaPlayer(QWidget* parent)
    : QWidget(parent)
{
    pacer_.SetMinimumSpacingMs(DefaultSpacingMs());
    setObjectName("MediaPlayer");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    SetPlayTimer(std::make_unique<SteadyPlayTimer>());
    resize(240, 30);
}

TFWMediaPlayer::~TFWMediaPlayer() = default;

void TFWMediaPlayer::SetPlayTimer(std::unique_ptr<PlayTimer> timer)
{
    if (timer_)
        timer_->Cancel();
    timer_ = std::move(timer);
    timer_->on_shot = [this] { OnTick(); };
    pacer_.ForgetLastShown();
    if (pacer_.Running())
        StartClock(false, std::nullopt);
}

QSize TFWMediaPlayer::sizeHint() const
{
    return { 240, 30 };
}

std::int64_t TFWMediaPlayer::NowUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(timer_->Now().time_since_epoch()).count();
}

// ---- commands ----

template <typename Command> void TFWMediaPlayer::Run(CommandKind kind, Command&& command)
{
    const PlayerSnapshot before = SnapshotOf(state_);
    command();
    const CommandOutcome outcome = OutcomeOf(before, SnapshotOf(state_), kind, pacer_.Running());
    if (outcome.reset_stats)
        pacer_.ResetStats();
    if (outcome.start_clock)
        StartClock(outcome.from_play_start, std::nullopt);
    if (outcome.stop_clock)
        StopClock();
    if (outcome.notify)
        SendNotify(*outcome.notify);
    if (outcome.show_position)
        ShowPosition();
    update();
}

void TFWMediaPlayer::Open(int length_frames, double frames_per_second)
{
    Close();
    state_.Open(length_frames);
    frames_per_second_ = frames_per_second;
    shown_frame_ = 0; // the owner shows the first frame as it opens the clip
    pacer_.ResetStats();
    // Tell the owner once the player is open, after it has finished setting it up.
    const std::uint64_t generation = ++open_generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == open_generation_ && IsOpen())
                SendNotify(NotifyResult::Successful);
        },
        Qt::QueuedConnection);
    update();
}

void TFWMediaPlayer::Close()
{
    if (!IsOpen())
        return;
    Run(CommandKind::AbortsPlay, [this] { state_.Close(); });
    shown_frame_ = -1;
    ++open_generation_;
}

void TFWMediaPlayer::Play()
{
    Run(CommandKind::StartsPlay, [this] { state_.Play(); });
}

void TFWMediaPlayer::PlayRepeat(int passes)
{
    Run(CommandKind::StartsPlay, [this, passes] { state_.PlayRepeat(passes); });
}

void TFWMediaPlayer::Pause()
{
    Run(CommandKind::StartsPlay, [this] { state_.Pause(); });
}

void TFWMediaPlayer::Stop()
{
    Run(CommandKind::AbortsPlay, [this] { state_.Stop(); });
}

void TFWMediaPlayer::Next()
{
    Run(CommandKind::Other, [this] { state_.Next(); });
}

void TFWMediaPlayer::Previous()
{
    Run(CommandKind::Other, [this] { state_.Previous(); });
}

void TFWMediaPlayer::Step()
{
    Run(CommandKind::Other, [this] { state_.Step(); });
}

void TFWMediaPlayer::Back()
{
    Run(CommandKind::Other, [this] { state_.Back(); });
}

void TFWMediaPlayer::Record()
{
    Run(CommandKind::Other, [this] { state_.Record(); });
}

void TFWMediaPlayer::Eject()
{
    Run(CommandKind::Other, [this] { state_.Eject(); });
}

void TFWMediaPlayer::Seek(int frame)
{
    Run(CommandKind::Other, [this, frame] { state_.Seek(frame); });
}

void TFWMediaPlayer::SetPlayRate(int rate)
{
    Run(CommandKind::Other, [this, rate] { state_.SetPlayRate(rate); });
}

bool TFWMediaPlayer::Press(TMPBtnType button)
{
    const PlayerButton& state = state_.Button(button);
    if (!state.visible || !state.enabled)
        return false;
    bool cancel = false;
    emit clicked(button, &cancel);
    if (!cancel)
        Run(CommandKindOf(button), [this, button] { state_.Press(button); });
    emit postClicked(button);
    update();
    return true;
}

void TFWMediaPlayer::ShowPosition()
{
    const int position = state_.Position();
    if (position == shown_frame_)
        return;
    shown_frame_ = position;
    emit positionChanged(position);
}

void TFWMediaPlayer::SendNotify(NotifyResult result)
{
    state_.Notify(result);
    update();
    emit notified(result);
}

// ---- playing ----

void TFWMediaPlayer::StartClock(bool from_play_start, std::optional<std::int64_t> start_us)
{
    const PlayRange& play = state_.CurrentPlay();
    // A resumed or re-timed play goes on from the frame on screen; a new one from its start.
    const int from = from_play_start ? play.from_frame : state_.Position();
    pacer_.Start(
        from, play.to_frame, frames_per_second_, state_.PlayRate(), play.serial, shown_frame_, start_us);
    timer_->ShootIn(std::chrono::microseconds(0));
}

void TFWMediaPlayer::StopClock()
{
    timer_->Cancel();
    pacer_.Stop();
}

void TFWMediaPlayer::OnTick()
{
    if (!IsOpen() || state_.Mode() != PlayerMode::Playing || !pacer_.Running())
        return;
    const std::uint64_t serial = pacer_.Serial();
    std::int64_t now_us = NowUs();
    const PlayShot shot = pacer_.Shot(now_us, state_.PlayRate());
    if (shot.early) {
        timer_->ShootIn(std::chrono::microseconds(pacer_.WaitUs(now_us)));
        return;
    }
    if (shot.show_frame) {
        shown_frame_ = *shot.show_frame;
        state_.SetPlayingPosition(*shot.show_frame);
        emit positionChanged(*shot.show_frame);
        // The listener may have stopped, closed or restarted the player.
        if (!IsOpen() || state_.Mode() != PlayerMode::Playing || pacer_.Serial() != serial)
            return;
        const std::int64_t shown_us = NowUs();
        pacer_.LearnShowTime(shown_us - now_us);
        now_us = shown_us;
    }
    if (shot.finished)
        FinishPass(now_us);
    else
        timer_->ShootIn(std::chrono::microseconds(pacer_.WaitUs(now_us)));
}

void TFWMediaPlayer::FinishPass(std::int64_t now_us)
{
    const std::int64_t next_pass_us = pacer_.NextPassStartUs(now_us);
    state_.PlayFinished();
    if (state_.Mode() == PlayerMode::Playing) {
        StartClock(true, next_pass_us);
        return;
    }
    StopClock();
    update();
    emit notified(NotifyResult::Successful);
}

// ---- button sets ----

void TFWMediaPlayer::SetVisibleButtons(std::uint32_t mask)
{
    for (int i = 0; i < kPlayerButtonCount; ++i)
        state_.SetVisible(static_cast<TMPBtnType>(i), (mask >> i) & 1u);
    row_.KeepFocusVisible();
    update();
}

void TFWMediaPlayer::SetEnabledButtons(std::uint32_t mask)
{
    for (int i = 0; i < kPlayerButtonCount; ++i)
        state_.SetEnabled(static_cast<TMPBtnType>(i), (mask >> i) & 1u);
    update();
}

void TFWMediaPlayer::SetColoredButtons(std::uint32_t mask)
{
    for (int i = 0; i < kPlayerButtonCount; ++i)
        state_.SetColoured(static_cast<TMPBtnType>(i), (mask >> i) & 1u);
    update();
}

// ---- painting ----

void TFWMediaPlayer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setRenderHint(QPainter::Antialiasing);
    const QBrush face = palette().button();
    for (int i = 0; i < kPlayerButtonCount; ++i) {
        const auto button = static_cast<TMPBtnType>(i);
        const PlayerButton& state = state_.Button(button);
        if (!state.visible)
            continue;
        const QRect cell = row_.ButtonRect(button, size());
        const bool sunken = pressed_ == button && pressed_inside_;
        painter.setRenderHint(QPainter::Antialiasing, false);
        qDrawWinButton(&painter, cell, palette(), sunken, &face);
        painter.setRenderHint(QPainter::Antialiasing, true);
        DrawGlyph(painter, cell, button, state, sunken);
        if (hasFocus() && i == row_.Focus()) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell.adjusted(3, 3, -4, -4).translated(sunken ? 1 : 0, sunken ? 1 : 0));
        }
    }
}

// ---- mouse and keyboard ----

void TFWMediaPlayer::PressFromUser(TMPBtnType button)
{
    // Event handlers must not let exceptions through to Qt: the user sees the message instead.
    try {
        Press(button);
    } catch (const Error& error) {
        showError(error.message());
    }
}

void TFWMediaPlayer::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const std::optional<TMPBtnType> button = row_.ButtonAt(event->position().toPoint(), size());
    if (!button || !state_.Button(*button).enabled)
        return;
    pressed_ = button;
    pressed_inside_ = true;
    row_.SetFocus(*button);
    update();
}

void TFWMediaPlayer::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_)
        return QWidget::mouseMoveEvent(event);
    const bool inside = row_.ButtonAt(event->position().toPoint(), size()) == pressed_;
    if (inside != pressed_inside_) {
        pressed_inside_ = inside;
        update();
    }
}

void TFWMediaPlayer::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_)
        return QWidget::mouseReleaseEvent(event);
    const TMPBtnType button = *pressed_;
    const bool same_button = row_.ButtonAt(event->position().toPoint(), size()) == button;
    pressed_.reset();
    pressed_inside_ = false;
    update();
    if (same_button)
        PressFromUser(button);
}

void TFWMediaPlayer::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        row_.KeepFocusVisible();
        if (row_.VisibleCount() > 0)
            PressFromUser(static_cast<TMPBtnType>(row_.Focus()));
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (row_.MoveFocus(event->key() == Qt::Key_Left ? -1 : +1))
            update();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TFWMediaPlayer::focusInEvent(QFocusEvent* event)
{
    row_.KeepFocusVisible();
    QWidget::focusInEvent(event);
    update();
}

void TFWMediaPlayer::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

bool TFWMediaPlayer::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<TMPBtnType> button = row_.ButtonAt(help->pos(), size());
    if (button)
        QToolTip::showText(
            help->globalPos(), state_.Button(*button).hint, this, row_.ButtonRect(*button, size()));
    else
        QToolTip::hideText();
    return true;
}

} // namespace fw
