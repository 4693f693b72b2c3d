#include "imagers/gpib/gpib.h"

#include <mutex>

#include <dlfcn.h>

#include "imagers/gpib/gpib_error_text.h"
#include "support/log.h"

namespace fw {

namespace {

// Like the driver's own error, the wrapper's is kept per thread: an upload thread and the
// user-interface thread may call in turn.
thread_local int t_pending_error = 0;

} // namespace


namespace {

// In the order of TGPIB::EntryPoint. linux-gpib has a single ibfind, so both name modes use it.
constexpr std::array<const char*, 13> kEntryPointNames {
    "ibfind",
    "ibclr",
    "ibconfig",
    "ibdma",
    "ibeos",
    "ibeot",
    "ibonl",
    "ibrd",
    "ibrsp",
    "ibtmo",
    "ibwrt",
    "ThreadIberr",
    "ThreadIbcntl",
};

} // namespace

int CallerStatus(int driver_status)
{
    return (driver_status & TGPIB::kErrBit) != 0 ? (driver_status | ~0xFFFF) : driver_status;
}

TGPIB::TGPIB(QObject* owner, QString library_name)
    : QObject(owner)
    , library_(std::move(library_name))
    , lookup_([](void* handle, const char* name) { return dlsym(handle, name); })
{
    static_assert(kEntryPointNames.size() == kEntryPointCount);
}

TGPIB::~TGPIB() = default;

bool TGPIB::Load()
{
    if (!library_.Acquire()) {
        t_pending_error = kGpibLibraryNotLoaded;
        qCWarning(lcGpib) << "cannot load" << library_.FileName() << ":" << library_.OpenFailure();
        return false;
    }
    return true;
}

void TGPIB::Unload()
{
    if (library_.Release())
        ForgetEntryPoints();
}

void TGPIB::ForgetEntryPoints()
{
    // The addresses die with the mapping; a later Load may map the library elsewhere.
    const std::lock_guard lock(entry_mutex_);
    entry_points_.fill(nullptr);
}

void TGPIB::SetUniCode(bool unicode)
{
    if (unicode == unicode_) {
        return;
    }
    unicode_ = unicode;
    const std::lock_guard lock(entry_mutex_);
    entry_points_[static_cast<std::size_t>(EntryPoint::kIbfind)] = nullptr;
}

void TGPIB::SetSymbolLookup(SymbolLookup lookup)
{
    lookup_ = std::move(lookup);
}

void* TGPIB::ResolveAddress(EntryPoint entry)
{
    t_pending_error = 0;
    const std::lock_guard lock(entry_mutex_);
    const auto index = static_cast<std::size_t>(entry);
    void*& address = entry_points_[index];
    if (address != nullptr) {
        return address;
    }
    if (!library_.IsOpen()) {
        t_pending_error = kGpibLibraryNotLoaded;
        return nullptr;
    }
    address = lookup_(library_.Handle(), kEntryPointNames[index]);
    if (address == nullptr) {
        t_pending_error = kGpibEntryPointMissing;
        missing_entry_point_ = QString::fromLatin1(kEntryPointNames[index]);
        qCWarning(lcGpib) << library_.FileName() << "has no entry point" << missing_entry_point_;
    }
    return address;
}

template <typename Function, typename... Args> int TGPIB::CallForStatus(EntryPoint entry, Args... args)
{
    Function* function = Resolve<Function>(entry);
    return function != nullptr ? CallerStatus(function(args...)) : kFailedStatus;
}

int TGPIB::Iberr()
{
    if (t_pending_error != 0) {
        return t_pending_error;
    }
    auto* thread_iberr = Resolve<int()>(EntryPoint::kThreadIberr);
    // Without the driver's iberr the lookup's own error (98, or 99 when nothing is loaded) says why.
    return thread_iberr != nullptr ? thread_iberr() : t_pending_error;
}

long TGPIB::Ibcntl()
{
    auto* thread_ibcntl = Resolve<long()>(EntryPoint::kThreadIbcntl);
    return thread_ibcntl != nullptr ? thread_ibcntl() : 0;
}

bool TGPIB::LastCallUnreachable() const
{
    return t_pending_error != 0;
}

QString TGPIB::MissingEntryPoint() const
{
    const std::lock_guard lock(entry_mutex_);
    return missing_entry_point_;
}

QString TGPIB::ErrorText(int code) const
{
    if (code == kGpibEntryPointMissing) {
        return QStringLiteral("dlsym(%1) failed (EGPR)").arg(MissingEntryPoint());
    }
    if (code == kGpibLibraryNotLoaded) {
        const QString& reason = library_.OpenFailure();
        return QStringLiteral("dlopen(%1) failed (EDLL)").arg(library_.FileName())
            + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
    }
    return GpibDriverErrorText(code);
}

QString TGPIB::ErrorMessage()
{
    return QStringLiteral("GPIB Error: ") + ErrorText(Iberr());
}

int TGPIB::ibfind(const QString& name)
{
    auto* find = Resolve<int(const char*)>(EntryPoint::kIbfind);
    if (find == nullptr) {
        return kFindUnavailable;
    }
    // Unicode mode passes the name through a fixed buffer that keeps room for its terminator.
    const QByteArray encoded = unicode_ ? name.left(kNameBufferSize_chars - 1).toUtf8() : name.toLocal8Bit();
    return find(encoded.constData());
}

int TGPIB::ibclr(int ud)
{
    return CallForStatus<int(int)>(EntryPoint::kIbclr, ud);
}

int TGPIB::ibconfig(int ud, int option, int value)
{
    return CallForStatus<int(int, int, int)>(EntryPoint::kIbconfig, ud, option, value);
}

int TGPIB::ibdma(int ud, int enable)
{
    return CallForStatus<int(int, int)>(EntryPoint::kIbdma, ud, enable);
}

int TGPIB::ibeos(int ud, int end_of_string_mode)
{
    return CallForStatus<int(int, int)>(EntryPoint::kIbeos, ud, end_of_string_mode);
}

int TGPIB::ibeot(int ud, int assert_eoi)
{
    return CallForStatus<int(int, int)>(EntryPoint::kIbeot, ud, assert_eoi);
}

int TGPIB::ibonl(int ud, int online)
{
    return CallForStatus<int(int, int)>(EntryPoint::kIbonl, ud, online);
}

int TGPIB::ibrd(int ud, void* buffer, long count)
{
    return CallForStatus<int(int, void*, long)>(EntryPoint::kIbrd, ud, buffer, count);
}

int TGPIB::ibrsp(int ud, char* status_byte)
{
    return CallForStatus<int(int, char*)>(EntryPoint::kIbrsp, ud, status_byte);
}

int TGPIB::ibtmo(int ud, int timeout_code)
{
    return CallForStatus<int(int, int)>(EntryPoint::kIbtmo, ud, timeout_code);
}

int TGPIB::ibwrt(int ud, const void* buffer, long count)
{
    return CallForStatus<int(int, const void*, long)>(EntryPoint::kIbwrt, ud, buffer, count);
}

} // namespace fw
