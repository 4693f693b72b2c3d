#include "imagers/hg/hg_comm_layer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "imagers/hg/hg_process_lock.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kOwnBuffer_bytes = 12288;
constexpr int kWaitGraceMs = 2000;
constexpr int kFindGraceMs = 4000;
constexpr std::array<int, 5> kDatagramBytes = { 49152, 32768, 16384, 8192, 4096 };

THGCommLayer::Clock& TimeSource()
{
    static THGCommLayer::Clock clock = [] { return std::chrono::steady_clock::now(); };
    return clock;
}

int64_t MsOf(std::chrono::steady_clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

// Four decimal octets packed first octet highest; nullopt when the text is not four octets.
std::optional<uint32_t> PackDotted(const QString& dotted)
{
    const QStringList parts = dotted.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    uint32_t packed = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        if (!ok || value > 255)
            return std::nullopt;
        packed = packed << 8 | value;
    }
    return packed;
}

QString DottedOf(uint32_t packed)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(packed >> 24 & 0xFF)
        .arg(packed >> 16 & 0xFF)
        .arg(packed >> 8 & 0xFF)
        .arg(packed & 0xFF);
}

} // namespace

void THGCommLayer::SetTimeSource(Clock clock)
{
    TimeSource() = clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); });
}

std::chrono::steady_clock::time_point THGCommLayer::Now() const
{
    return TimeSource()();
}

int THGCommLayer::DatagramBytes(int index)
{
    return kDatagramBytes.at(size_t(std::clamp(index, 0, 4)));
}

THGCommLayer::THGCommLayer(uint8_t identifier, int identify_window_ms)
    : identifier_(identifier)
    , identify_window_ms_(identify_window_ms)
    , own_buffer_(kOwnBuffer_bytes)
{
    receive_buffer_ = own_buffer_.data();
    receive_capacity_ = own_buffer_.size();
}

THGCommLayer::~THGCommLayer()
{
    EndWorker();
    if (attached_changed_)
        attached_changed_(false);
}

void THGCommLayer::EndWorker()
{
    terminate_ = true;
    wake_.notify_all();
    if (!worker_.joinable())
        return;
    // Reports the worker is waiting on run here (as no-ops) until it has ended.
    while (!finished_)
        WaitSlice(std::chrono::milliseconds(10));
    worker_.join();
}

void THGCommLayer::SetIdentifier(uint8_t identifier)
{
    identifier_ = identifier;
}

QString THGCommLayer::IdentifierText() const
{
    return QStringLiteral("%1").arg(int(identifier_.load()), 2, 16, QLatin1Char('0')).toUpper();
}

// ---- Waiting (user-interface thread) ---------------------------------------------------------

// Waits at most `slice`, or until the worker wakes the waiting thread. The user-interface thread
// runs its events meanwhile; any other thread (a save's) just waits.
void THGCommLayer::WaitSlice(std::chrono::milliseconds slice)
{
    if (QThread::currentThread() != thread()) {
        std::unique_lock lock(wait_mutex_);
        const uint64_t seen = wake_count_;
        wait_cv_.wait_for(lock, slice, [this, seen] { return wake_count_ != seen; });
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(slice);
    QEventLoop* const outer = ui_loop_;
    ui_loop_ = &loop;
    loop.exec();
    ui_loop_ = outer;
}

void THGCommLayer::WakeUi()
{
    {
        const std::lock_guard lock(wait_mutex_);
        ++wake_count_;
    }
    wait_cv_.notify_all();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (ui_loop_)
                ui_loop_->quit();
        },
        Qt::QueuedConnection);
}

bool THGCommLayer::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds slice, int extra_ms)
{
    while (!done()) {
        if (finished_ || MsOf(Now()) > deadline_ms_.load() + extra_ms)
            return done();
        WaitSlice(slice);
    }
    return true;
}

bool THGCommLayer::WaitIdle()
{
    const auto idle_or_exiting = [this] {
        const int state = state_.load();
        return pending_next_.load() == 0 && (state == csIdle || state == csExit);
    };
    return WaitUntil(idle_or_exiting, std::chrono::milliseconds(10), kWaitGraceMs);
}

void THGCommLayer::StartCommand(CommState next, int command, const QByteArray& argument)
{
    const auto idle = [this] { return pending_next_.load() == 0 && state_.load() == csIdle; };
    if (!WaitUntil(idle, std::chrono::milliseconds(55), kWaitGraceMs))
        throw EStateMachine("Command not started, state machine is busy.");
    last_error_ = hgresult::kSuccess;
    pending_command_ = command;
    pending_argument_ = argument;
    // The worker sets the deadline again when it sends; waits until then use this one.
    deadline_ms_ = MsOf(Now()) + (command >= 0 ? HGCommandTimeoutMs(command) : 15000);
    pending_next_.store(next == csIdle ? int(csExit) : int(next));
    if (!worker_.joinable())
        worker_ = std::thread([this] { WorkerLoop(); });
    // Resume the worker until it has taken the request.
    while (pending_next_.load() != 0 && !finished_) {
        wake_.notify_all();
        WaitSlice(std::chrono::milliseconds(15));
    }
}

// ---- Registers and commands -----------------------------------------------------------------

int32_t THGCommLayer::ReadRegister(int command)
{
    StartCommand(csIntReg, command);
    if (!WaitIdle() || IsHGError(result_.load()) || last_error_.load() != hgresult::kSuccess)
        return -1;
    return int32_t(int_result_);
}

void THGCommLayer::WriteRegister(int command, uint32_t value)
{
    StartCommand(csNoWait, command, HGHexArgument(value, HGCommand(command).width_digits));
    // The worker switches to the new identifier as it sends the write; callers see it after.
    if (command == hgcmd::kIdentifier)
        WaitIdle();
}

QString THGCommLayer::ReadStringRegister(int command)
{
    StartCommand(csStrReg, command);
    if (!WaitIdle() || last_error_.load() != hgresult::kSuccess)
        return {};
    return string_result_;
}

void THGCommLayer::WriteStringRegister(int command, const QString& text)
{
    StartCommand(csNoWait, command, text.toLatin1());
}

bool THGCommLayer::Identify(bool set_clock)
{
    StartCommand(csAttach, hgcmd::kAttach, "02");
    const bool answered = WaitIdle() && result_.load() == hgresult::kSuccess && identified_.load();
    if (!answered)
        return false;
    if (set_clock)
        SetClock();
    split_frames_ = IsNewModel() && ReadRegister(hgcmd::kSplits) == 1;
    if (attached_changed_)
        attached_changed_(true);
    return true;
}

void THGCommLayer::SetClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    WriteRegister(hgcmd::kDate, HGDateRegister(now.date()));
    WriteRegister(hgcmd::kTime, HGTimeRegister(now.time()));
    WaitIdle();
}

void THGCommLayer::Detach()
{
    StopPreviewLoop();
    downloading_ = false;
    WaitIdle();
    if (attached_changed_)
        attached_changed_(false);
}

bool THGCommLayer::HasRecording()
{
    StartCommand(csStatusResp, hgcmd::kState);
    if (!WaitIdle() || last_error_.load() != hgresult::kSuccess)
        return false;
    const int state = imager_state_.load();
    return state >= 5 && state <= 9;
}

HGRecordedRange THGCommLayer::GetRecordedRange()
{
    HGRecordedRange range;
    range.identified = identified_;
    if (!IsNewModel()) {
        range.count = attach_.words[2];
    } else {
        const int32_t packed = ReadRegister(hgcmd::kFrameRange);
        if (packed == -1 && last_error_.load() != hgresult::kSuccess)
            return range;
        range.first = int16_t(uint32_t(packed) >> 16);
        range.count = std::max(int16_t(uint32_t(packed) & 0xFFFF) - range.first + 1, 0);
    }
    range.count = std::min(range.count, 4096);
    return range;
}

QStringList THGCommLayer::ListDirectory(const QString& path)
{
    directory_.clear();
    StartCommand(csChangeDir, hgcmd::kCardPath, path.toLatin1());
    WaitIdle();
    return directory_;
}

void THGCommLayer::Stop()
{
    preview_loop_ = false;
    StartCommand(csStatus, hgcmd::kStop);
}

void THGCommLayer::Trigger()
{
    StartCommand(csStatus, hgcmd::kRecordTrigger);
}

void THGCommLayer::ArmRecord()
{
    Stop();
    StartCommand(csRecReady, hgcmd::kErase);
}

// ---- Downloads ------------------------------------------------------------------------------

void THGCommLayer::StartPreviewFrame(uint8_t* buffer, int64_t size_bytes, bool tiff)
{
    downloading_ = true;
    pending_download_ = PendingDownload { buffer, size_bytes, tiff ? 'T' : 'B', 1, nullptr, false, true };
    StartCommand(csPLStart, hgcmd::kErase);
}

void THGCommLayer::StartPreviewLoop(uint8_t* buffer, int64_t size_bytes, bool tiff)
{
    preview_loop_ = true;
    StartPreviewFrame(buffer, size_bytes, tiff);
}

void THGCommLayer::StopPreviewLoop()
{
    if (preview_loop_)
        Stop();
}

void THGCommLayer::DownloadFrame(
    uint8_t* buffer, int64_t size_bytes, bool tiff, int32_t frame_number, int64_t* byte_count)
{
    if (downloading_ || !buffer || size_bytes < FrameBytes(tiff)) {
        last_error_ = hgresult::kInternalError;
        download_failed_ = true;
        return;
    }
    downloading_ = true;
    // The worker takes the request over with the command, so nothing it reads changes under it.
    pending_download_ = PendingDownload { buffer, size_bytes, tiff ? 'T' : 'B', frame_number, byte_count, true, true };
    try {
        StartCommand(csDatagram, hgcmd::kState);
    } catch (const Error& busy) {
        qCWarning(lcImagers) << "download of frame" << frame_number << "not started:" << busy.message();
        pending_download_.present = false;
        download_failed_ = true;
        downloading_ = false;
    }
}

bool THGCommLayer::WaitDownload()
{
    while (downloading_ && !finished_)
        WaitSlice(std::chrono::milliseconds(10));
    const bool done = !download_failed_;
    download_failed_ = false;
    return done;
}

int THGCommLayer::GetLastResult(bool* idle)
{
    const bool ended = WaitIdle();
    if (idle)
        *idle = ended;
    return result_.load();
}

// ---- Texts ----------------------------------------------------------------------------------

QString THGCommLayer::TypeName() const
{
    return HGTypeName(attach_.type_code);
}

QString THGCommLayer::KindName() const
{
    if (!identified_)
        return QStringLiteral("Unknown");
    QString name = HGTypeName(attach_.type_code);
    if (attach_.colour_flag == 1)
        name += QStringLiteral(" Color");
    else if (attach_.colour_flag == 2)
        name += QStringLiteral(" Monochrome");
    return name;
}

QString THGCommLayer::FirmwareText() const
{
    if (!identified_)
        return QStringLiteral("Unknown");
    return QStringLiteral("%1.%2").arg(attach_.version >> 4 & 0xF).arg(attach_.version & 0xF);
}

QString THGCommLayer::LastErrorText() const
{
    return HGResultName(last_error_.load());
}

// ---- Transport operations with a behaviour of their own --------------------------------------

QString THGCommLayer::GetIPText()
{
    return DottedOf(uint32_t(ReadRegister(hgcmd::kIP)));
}

void THGCommLayer::SetIPText(const QString& dotted)
{
    if (const auto packed = PackDotted(dotted))
        WriteRegister(hgcmd::kIP, *packed);
}

QString THGCommLayer::GetNetMaskText()
{
    return DottedOf(uint32_t(ReadRegister(hgcmd::kSNMask)));
}

void THGCommLayer::SetNetMaskText(const QString& dotted)
{
    if (const auto packed = PackDotted(dotted))
        WriteRegister(hgcmd::kSNMask, *packed);
}

bool THGCommLayer::SelectFoundImager(const QString& entry)
{
    bool ok = false;
    const uint identifier = entry.left(2).toUInt(&ok, 16);
    if (!ok)
        return false;
    identifier_ = uint8_t(identifier);
    return Identify(false);
}

int THGCommLayer::SetBaudIndex(int index)
{
    if (index < 0 || index > 3)
        return 2;
    WriteRegister(hgcmd::kBaudRate, uint32_t(index));
    return 0;
}

void THGCommLayer::NoteIdentifyReply(int result)
{
    if (result == hgresult::kSuccess && received_length_ > 6 && receive_buffer_[0] == '#')
        AddFound(QString::fromLatin1(reinterpret_cast<const char*>(receive_buffer_) + 1, 2)
            + QStringLiteral("0.0.0.0"));
}

void THGCommLayer::AddFound(const QString& entry)
{
    const std::lock_guard lock(found_mutex_);
    found_ << entry;
}

// ---- Reports --------------------------------------------------------------------------------

void THGCommLayer::SetFrameDoneHandler(std::function<void()> handler)
{
    frame_done_ = std::move(handler);
}

void THGCommLayer::SetStateChangedHandler(std::function<void(int)> handler)
{
    state_changed_ = std::move(handler);
}

void THGCommLayer::SetTemperatureHandler(std::function<void(int)> handler)
{
    temperature_changed_ = std::move(handler);
}

void THGCommLayer::SetCommErrorHandler(std::function<void(int, const QString&)> handler)
{
    comm_error_ = std::move(handler);
}

void THGCommLayer::SetAttachedHandler(std::function<void(bool)> handler)
{
    attached_changed_ = std::move(handler);
}

void THGCommLayer::RunOnUi(const std::function<void()>& report)
{
    if (terminate_)
        return;
    if (thread() == QThread::currentThread()) {
        report();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, &report] {
            if (!terminate_)
                report();
        },
        Qt::BlockingQueuedConnection);
}

} // namespace fw
