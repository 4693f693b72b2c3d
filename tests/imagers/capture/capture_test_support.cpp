#include "imagers/capture/capture_test_support.h"

#include <dlfcn.h>

#include <cstring>

#include <thread>

#include <QFile>

#include "imagers/imaq/imaq.h"

namespace fw {

void ImmediateWaits::Wait(std::chrono::milliseconds duration)
{
    std::unique_lock lock(log_->mutex);
    ++log_->waits_by_ms[duration.count()];
    if (log_->hold_idle && duration >= std::chrono::milliseconds(1500))
        log_->woken_changed.wait(lock, [this] { return log_->woken; });
    log_->woken = false;
    lock.unlock();
    std::this_thread::yield();
}

void ImmediateWaits::Wake()
{
    {
        const std::lock_guard lock(log_->mutex);
        log_->woken = true;
    }
    log_->woken_changed.notify_all();
}

// ---- CaptureRecorder ----------------------------------------------------------------------------

CaptureCallbacks CaptureRecorder::Callbacks()
{
    CaptureCallbacks callbacks;
    callbacks.status = [this](const CaptureStatus& status) {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
        changed_.notify_all();
    };
    callbacks.properties = [this](const CaptureProperties& properties) {
        std::lock_guard lock(mutex_);
        properties_.push_back(properties);
        changed_.notify_all();
    };
    callbacks.completion = [this](const CaptureCompletion& completion) {
        std::lock_guard lock(mutex_);
        completion_ = completion;
        ++completions_;
        changed_.notify_all();
    };
    callbacks.live_frame = [this](const FrameImage& frame) {
        const uint32_t stamp = StampOf(frame.pixels(), frame.bitsPerPixel() / 8);
        std::lock_guard lock(mutex_);
        live_stamps_.push_back(stamp);
        changed_.notify_all();
    };
    return callbacks;
}

bool CaptureRecorder::WaitFor(const std::function<bool()>& done)
{
    // A guard against a thread that hangs, far beyond what any of these captures needs.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::unique_lock lock(mutex_);
    while (true) {
        lock.unlock();
        const bool finished = done();
        lock.lock();
        if (finished) {
            return true;
        }
        if (std::chrono::steady_clock::now() > give_up) {
            return false;
        }
        changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
}

std::vector<CaptureStatus> CaptureRecorder::Statuses() const
{
    std::lock_guard lock(mutex_);
    return statuses_;
}

std::vector<CaptureProperties> CaptureRecorder::Properties() const
{
    std::lock_guard lock(mutex_);
    return properties_;
}

std::optional<CaptureCompletion> CaptureRecorder::Completion() const
{
    std::lock_guard lock(mutex_);
    return completion_;
}

int CaptureRecorder::CompletionCount() const
{
    std::lock_guard lock(mutex_);
    return completions_;
}

std::vector<uint32_t> CaptureRecorder::LiveStamps() const
{
    std::lock_guard lock(mutex_);
    return live_stamps_;
}

bool CaptureRecorder::SawStage(CaptureStage stage) const
{
    std::lock_guard lock(mutex_);
    for (const CaptureStatus& status : statuses_) {
        if (status.stage == stage) {
            return true;
        }
    }
    return false;
}

std::optional<CaptureStatus> CaptureRecorder::FirstError() const
{
    std::lock_guard lock(mutex_);
    for (const CaptureStatus& status : statuses_) {
        if (status.error != 0) {
            return status;
        }
    }
    return std::nullopt;
}

// ---- GrabberLedger ------------------------------------------------------------------------------

namespace {

struct Ledger {
    std::mutex mutex;
    std::set<void*> buffers;
    std::set<uint32_t> sessions;
    std::set<uint32_t> interfaces;
    std::vector<GrabberLedger::RingStart> ring_starts;
    std::optional<std::pair<uint32_t, uint32_t>> run_ahead;

    decltype(&::imgCreateBuffer) create = nullptr;
    decltype(&::imgDisposeBuffer) dispose = nullptr;
    decltype(&::imgInterfaceOpen) interface_open = nullptr;
    decltype(&::imgSessionOpen) session_open = nullptr;
    decltype(&::imgClose) close = nullptr;
    decltype(&::imgRingSetup) ring_setup = nullptr;
    decltype(&::imgSessionExamineBuffer) examine = nullptr;
    decltype(&::imgSessionReleaseBuffer) release = nullptr;
};

Ledger& ledger()
{
    static Ledger instance;
    return instance;
}

int32_t CountedCreate(uint32_t session_id, uint32_t where, uint32_t size, void** buffer)
{
    const int32_t result = ledger().create(session_id, where, size, buffer);
    std::lock_guard lock(ledger().mutex);
    if (result == 0) {
        ledger().buffers.insert(*buffer);
    }
    return result;
}

int32_t CountedDispose(void* buffer)
{
    const int32_t result = ledger().dispose(buffer);
    std::lock_guard lock(ledger().mutex);
    if (result == 0) {
        ledger().buffers.erase(buffer);
    }
    return result;
}

int32_t CountedInterfaceOpen(const char* name, uint32_t* interface_id)
{
    const int32_t result = ledger().interface_open(name, interface_id);
    std::lock_guard lock(ledger().mutex);
    if (result == 0) {
        ledger().interfaces.insert(*interface_id);
    }
    return result;
}

int32_t CountedSessionOpen(uint32_t interface_id, uint32_t* session_id)
{
    const int32_t result = ledger().session_open(interface_id, session_id);
    std::lock_guard lock(ledger().mutex);
    if (result == 0) {
        ledger().sessions.insert(*session_id);
    }
    return result;
}

int32_t CountedClose(uint32_t id, uint32_t free_resources)
{
    const int32_t result = ledger().close(id, free_resources);
    std::lock_guard lock(ledger().mutex);
    if (result == 0) {
        ledger().sessions.erase(id);
        ledger().interfaces.erase(id);
    }
    return result;
}

int32_t CountedRingSetup(uint32_t session_id, uint32_t count, void** list, uint32_t skip, uint32_t start_now)
{
    {
        std::lock_guard lock(ledger().mutex);
        ledger().ring_starts.push_back({ count, skip, start_now });
    }
    return ledger().ring_setup(session_id, count, list, skip, start_now);
}

int32_t AheadExamine(uint32_t session_id, uint32_t wanted, uint32_t* given, void** buffer)
{
    std::optional<uint32_t> ahead;
    {
        std::lock_guard lock(ledger().mutex);
        if (ledger().run_ahead && ledger().run_ahead->first == wanted) {
            ahead = ledger().run_ahead->second;
            ledger().run_ahead.reset();
        }
    }
    if (ahead) {
        uint32_t ahead_given = 0;
        void* ahead_buffer = nullptr;
        if (ledger().examine(session_id, *ahead, &ahead_given, &ahead_buffer) == 0) {
            ledger().release(session_id);
        }
    }
    return ledger().examine(session_id, wanted, given, buffer);
}

template <typename Function> void* Hook(void* handle, const char* symbol, Function*& real, Function* shim)
{
    real = reinterpret_cast<Function*>(dlsym(handle, symbol));
    return real != nullptr ? reinterpret_cast<void*>(shim) : nullptr;
}

void* LedgerLookup(void* handle, const char* name)
{
    Ledger& l = ledger();
    const std::string symbol(name);
    if (symbol == "imgCreateBuffer")
        return Hook(handle, name, l.create, &CountedCreate);
    if (symbol == "imgDisposeBuffer")
        return Hook(handle, name, l.dispose, &CountedDispose);
    if (symbol == "imgInterfaceOpen")
        return Hook(handle, name, l.interface_open, &CountedInterfaceOpen);
    if (symbol == "imgSessionOpen")
        return Hook(handle, name, l.session_open, &CountedSessionOpen);
    if (symbol == "imgClose")
        return Hook(handle, name, l.close, &CountedClose);
    if (symbol == "imgRingSetup")
        return Hook(handle, name, l.ring_setup, &CountedRingSetup);
    if (symbol == "imgSessionExamineBuffer") {
        l.release = reinterpret_cast<decltype(l.release)>(dlsym(handle, "imgSessionReleaseBuffer"));
        return Hook(handle, name, l.examine, &AheadExamine);
    }
    return dlsym(handle, name);
}

} // namespace

void GrabberLedger::Install(TIMAQ& imaq)
{
    imaq.SetSymbolLookup(&LedgerLookup);
}

void GrabberLedger::Reset()
{
    std::lock_guard lock(ledger().mutex);
    ledger().buffers.clear();
    ledger().sessions.clear();
    ledger().interfaces.clear();
    ledger().ring_starts.clear();
    ledger().run_ahead.reset();
}

int GrabberLedger::OpenBuffers()
{
    std::lock_guard lock(ledger().mutex);
    return static_cast<int>(ledger().buffers.size());
}

int GrabberLedger::OpenSessions()
{
    std::lock_guard lock(ledger().mutex);
    return static_cast<int>(ledger().sessions.size());
}

int GrabberLedger::OpenInterfaces()
{
    std::lock_guard lock(ledger().mutex);
    return static_cast<int>(ledger().interfaces.size());
}

std::vector<GrabberLedger::RingStart> GrabberLedger::RingStarts()
{
    std::lock_guard lock(ledger().mutex);
    return ledger().ring_starts;
}

void GrabberLedger::RunAheadAt(uint32_t when, uint32_t to)
{
    std::lock_guard lock(ledger().mutex);
    ledger().run_ahead = std::pair { when, to };
}

// ---- Frames and files ---------------------------------------------------------------------------

uint32_t StampOf(const uint8_t* frame, int pixel_bytes)
{
    uint32_t stamp = 0;
    for (int i = 0; i < 4; ++i) {
        stamp |= static_cast<uint32_t>(frame[i * pixel_bytes]) << (8 * i);
    }
    return stamp;
}

QByteArray StoredSimFrame(const char* interface_name, bool monochrome, uint32_t decimation, uint32_t frame)
{
    TIMAQ imaq(nullptr, QStringLiteral(FW_IMAQ_SIM_LIBRARY));
    if (!imaq.Load()) {
        return {};
    }
    uint32_t interface_id = 0;
    uint32_t session_id = 0;
    imaq.imgInterfaceOpen(QString::fromLatin1(interface_name), &interface_id);
    imaq.imgSessionOpen(interface_id, &session_id);
    uint32_t colour_capable = 0;
    imaq.imgGetAttribute(session_id, kImgAttrColourCapable, &colour_capable);
    if (colour_capable != 0) {
        imaq.imgSetAttribute(
            session_id, kImgAttrColourMode, monochrome ? kImgColourModeMonochrome : kImgColourModeColour);
    }
    imaq.imgSetAttribute(session_id, kImgAttrHorizontalDecimation, decimation);
    imaq.imgSetAttribute(session_id, kImgAttrVerticalDecimation, decimation);
    uint32_t width = 0;
    uint32_t height = 0;
    imaq.imgGetAttribute(session_id, kImgAttrWidth, &width);
    imaq.imgGetAttribute(session_id, kImgAttrHeight, &height);
    const bool colour = colour_capable != 0 && !monochrome;
    const int pixel_bytes = colour ? 4 : 1;
    std::vector<uint8_t> grabbed(static_cast<std::size_t>(width * height) * pixel_bytes);

    void* library = dlopen(FW_IMAQ_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    using Render = int32_t(uint32_t, uint32_t, void*, uint32_t);
    auto* render = reinterpret_cast<Render*>(dlsym(library, "fwImaqSimRenderFrame"));
    const int32_t rendered = render(session_id, frame, grabbed.data(), static_cast<uint32_t>(grabbed.size()));
    dlclose(library);
    imaq.imgClose(interface_id, 1);
    imaq.Unload();
    if (rendered != 0) {
        return {};
    }

    const int stored_pixel_bytes = colour ? 3 : 1;
    const int row_bytes = (static_cast<int>(width) * stored_pixel_bytes + 3) / 4 * 4;
    QByteArray stored(row_bytes * static_cast<int>(height), '\0');
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (int c = 0; c < stored_pixel_bytes; ++c) {
                stored[static_cast<int>(y) * row_bytes + static_cast<int>(x) * stored_pixel_bytes + c]
                    = static_cast<char>(grabbed[(y * width + x) * pixel_bytes + c]);
            }
        }
    }
    return stored;
}

namespace {

void PutU16(QByteArray& bytes, uint16_t value)
{
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

void PutU32(QByteArray& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

QByteArray Chunk(const char* id, const QByteArray& data)
{
    QByteArray chunk(id, 4);
    PutU32(chunk, static_cast<uint32_t>(data.size()));
    return chunk + data;
}

QByteArray List(const char* type, const QByteArray& contents)
{
    return Chunk("LIST", QByteArray(type, 4) + contents);
}

} // namespace

QByteArray ExpectedCapture::FileBytes() const
{
    const auto frame_bytes = static_cast<uint32_t>(frames.empty() ? 0 : frames.front().size());
    const auto written = static_cast<uint32_t>(frames.size());
    const uint32_t total = std::min(written, frames_requested);

    QByteArray avih;
    for (const uint32_t value :
        { 66667u, 3 * frame_bytes, 0u, 16u, total, 0u, 1u, frame_bytes, static_cast<uint32_t>(width),
            static_cast<uint32_t>(height), 66667u, 1000000u, 0u, frames_requested }) {
        PutU32(avih, value);
    }
    QByteArray strh("vidscvid", 8);
    PutU32(strh, 0);
    PutU16(strh, 0);
    PutU16(strh, 0);
    for (const uint32_t value : { 0u, 66667u, 1000000u, 0u, total, frame_bytes, 10000u, frame_bytes, 0u, 0u,
             static_cast<uint32_t>(width - 1), static_cast<uint32_t>(height - 1) }) {
        PutU32(strh, value);
    }
    QByteArray strf;
    PutU32(strf, 40);
    PutU32(strf, static_cast<uint32_t>(width));
    PutU32(strf, static_cast<uint32_t>(height));
    PutU16(strf, 1);
    PutU16(strf, colour ? 24 : 8);
    for (const uint32_t value : { 0u, frame_bytes, 0u, 0u, colour ? 0u : 256u, colour ? 0u : 256u }) {
        PutU32(strf, value);
    }
    if (!colour) {
        for (int i = 0; i < 256; ++i) {
            strf.append(QByteArray(3, static_cast<char>(i))).append('\0');
        }
    }
    const QByteArray strl
        = List("strl", Chunk("strh", strh) + Chunk("strf", strf) + Chunk("strn", "Framewright IMAQ Capture"));
    QByteArray head = QByteArray("AVI ") + List("hdrl", Chunk("avih", avih) + strl);

    // The first frame chunk starts on a 512-byte boundary of the file.
    const int movi_data = 8 + head.size() + 12;
    if (movi_data % 512 != 0) {
        int pad = 512 - movi_data % 512 - 8;
        if (pad < 0) {
            pad += 512;
        }
        head += Chunk("JUNK", QByteArray(pad, '\0'));
    }
    QByteArray movi;
    QByteArray index;
    for (const QByteArray& frame : frames) {
        PutU32(index, 0x62643030); // "00db"
        PutU32(index, 16);
        PutU32(index, static_cast<uint32_t>(4 + movi.size()));
        PutU32(index, static_cast<uint32_t>(frame.size()));
        movi += Chunk("00db", frame);
    }
    return Chunk("RIFF", head + List("movi", movi) + Chunk("idx1", index));
}

std::vector<QByteArray> StoredSimFrames(
    const char* interface_name, bool monochrome, uint32_t decimation, const std::vector<uint32_t>& frames)
{
    std::vector<QByteArray> stored;
    for (const uint32_t frame : frames) {
        stored.push_back(StoredSimFrame(interface_name, monochrome, decimation, frame));
    }
    return stored;
}

uint32_t U32At(const QByteArray& bytes, qsizetype at)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.constData() + at, 4);
    return value;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace fw
