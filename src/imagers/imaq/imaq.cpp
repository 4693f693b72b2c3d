#include "imagers/imaq/imaq.h"

#include <dlfcn.h>

#include <QMutexLocker>

#include "support/log.h"

namespace fw {

namespace {

// In the order of TIMAQ::EntryPoint.
constexpr std::array<const char*, 16> kEntryPointNames {
    "imgInterfaceOpen",
    "imgInterfaceReset",
    "imgSessionOpen",
    "imgGetAttribute",
    "imgSetAttribute",
    "imgCreateBuffer",
    "imgRingSetup",
    "imgSessionExamineBuffer",
    "imgSessionReleaseBuffer",
    "imgSessionStatus",
    "imgSessionStopAcquisition",
    "imgSessionGetLostFramesList",
    "imgDisposeBuffer",
    "imgClose",
    "imgShowError",
    "imgInterfaceQueryNames",
};

// A text the library wrote into a fixed buffer, read no further than the buffer's end.
template <std::size_t Size> QString TextOf(std::array<char, Size>& buffer)
{
    buffer.back() = '\0';
    return QString::fromLocal8Bit(buffer.data());
}

} // namespace

QString ImaqLibraryName()
{
    const QString configured = qEnvironmentVariable("FRAMEWRIGHT_IMAQ_LIBRARY");
    return configured.isEmpty() ? QString::fromLatin1(kDefaultImaqLibrary) : configured;
}

TIMAQ::TIMAQ(QObject* owner, QString library_name)
    : QObject(owner)
    , library_(std::move(library_name))
    , lookup_([](void* handle, const char* name) { return dlsym(handle, name); })
{
    static_assert(kEntryPointNames.size() == kEntryPointCount);
}

TIMAQ::~TIMAQ() = default;

bool TIMAQ::Load()
{
    QMutexLocker lock(&mutex_);
    if (library_.Acquire()) {
        return true;
    }
    last_error_ = kLibraryNotLoaded;
    qCWarning(lcImaq) << "cannot load" << library_.FileName() << ":" << library_.OpenFailure();
    return false;
}

void TIMAQ::Unload()
{
    QMutexLocker lock(&mutex_);
    if (library_.Release()) {
        // The addresses died with the mapping; a later Load may map the library elsewhere.
        entry_points_.fill(nullptr);
    }
}

bool TIMAQ::IsLoaded() const
{
    QMutexLocker lock(&mutex_);
    return library_.IsOpen();
}

int TIMAQ::LoadCount() const
{
    QMutexLocker lock(&mutex_);
    return library_.UseCount();
}

int32_t TIMAQ::LastError() const
{
    QMutexLocker lock(&mutex_);
    return last_error_;
}

QString TIMAQ::MissingEntryPoint() const
{
    QMutexLocker lock(&mutex_);
    return missing_entry_point_;
}

void TIMAQ::SetSymbolLookup(SymbolLookup lookup)
{
    QMutexLocker lock(&mutex_);
    lookup_ = std::move(lookup);
}

void* TIMAQ::ResolveAddress(EntryPoint entry, int32_t& error)
{
    QMutexLocker lock(&mutex_);
    last_error_ = 0;
    const auto index = static_cast<std::size_t>(entry);
    void*& address = entry_points_[index];
    if (address == nullptr && !library_.IsOpen()) {
        last_error_ = kLibraryNotLoaded;
    } else if (address == nullptr) {
        address = lookup_(library_.Handle(), kEntryPointNames[index]);
        if (address == nullptr) {
            last_error_ = kEntryPointNotFound;
            missing_entry_point_ = QString::fromLatin1(kEntryPointNames[index]);
            qCWarning(lcImaq) << library_.FileName() << "has no entry point" << missing_entry_point_;
        }
    }
    error = last_error_;
    return address;
}

template <typename Function, typename... Args> int32_t TIMAQ::Call(EntryPoint entry, Args... args)
{
    int32_t error = 0;
    auto* function = reinterpret_cast<Function*>(ResolveAddress(entry, error));
    return function != nullptr ? function(args...) : error;
}

QString TIMAQ::ErrorText(int32_t code)
{
    if (code == kEntryPointNotFound) {
        return QStringLiteral("Function %1 not found in %2").arg(MissingEntryPoint(), library_.FileName());
    }
    if (code == kLibraryNotLoaded) {
        QMutexLocker lock(&mutex_);
        const QString& reason = library_.OpenFailure();
        return QStringLiteral("Load of %1 failed").arg(library_.FileName())
            + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
    }
    QString text;
    const int32_t result = imgShowError(code, text);
    if (result == kEntryPointNotFound || result == kLibraryNotLoaded) {
        return QStringLiteral("imgShowError not found in %1").arg(library_.FileName());
    }
    // A library without a text for the code still leaves the user a code to quote.
    if (text.isEmpty()) {
        return QStringLiteral("Frame grabber error 0x")
            + QString::number(static_cast<uint32_t>(code), 16).toUpper();
    }
    return text;
}

QStringList TIMAQ::InterfaceNames()
{
    QStringList names;
    QString name;
    for (uint32_t index = 0; index < kMaxInterfaces; ++index) {
        if (imgInterfaceQueryNames(index, name) != 0 || name.isEmpty()) {
            break;
        }
        names << name;
    }
    return names;
}

int32_t TIMAQ::imgInterfaceOpen(const QString& name, uint32_t* interface_id)
{
    const QByteArray encoded = name.toLocal8Bit();
    return Call<decltype(::imgInterfaceOpen)>(EntryPoint::kInterfaceOpen, encoded.constData(), interface_id);
}

int32_t TIMAQ::imgInterfaceReset(uint32_t interface_id)
{
    return Call<decltype(::imgInterfaceReset)>(EntryPoint::kInterfaceReset, interface_id);
}

int32_t TIMAQ::imgSessionOpen(uint32_t interface_id, uint32_t* session_id)
{
    return Call<decltype(::imgSessionOpen)>(EntryPoint::kSessionOpen, interface_id, session_id);
}

int32_t TIMAQ::imgGetAttribute(uint32_t session_id, uint32_t attribute, uint32_t* value)
{
    return Call<decltype(::imgGetAttribute)>(EntryPoint::kGetAttribute, session_id, attribute, value);
}

int32_t TIMAQ::imgSetAttribute(uint32_t session_id, uint32_t attribute, uint32_t value)
{
    return Call<decltype(::imgSetAttribute)>(EntryPoint::kSetAttribute, session_id, attribute, value);
}

int32_t TIMAQ::imgCreateBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer)
{
    return Call<decltype(::imgCreateBuffer)>(EntryPoint::kCreateBuffer, session_id, where, size, buffer);
}

int32_t TIMAQ::imgRingSetup(uint32_t session_id, uint32_t buffer_count, void** buffer_list,
    uint32_t frames_to_skip, uint32_t start_now)
{
    return Call<decltype(::imgRingSetup)>(
        EntryPoint::kRingSetup, session_id, buffer_count, buffer_list, frames_to_skip, start_now);
}

int32_t TIMAQ::imgSessionExamineBuffer(uint32_t session_id, uint32_t wanted, uint32_t* given, void** buffer)
{
    return Call<decltype(::imgSessionExamineBuffer)>(
        EntryPoint::kExamineBuffer, session_id, wanted, given, buffer);
}

int32_t TIMAQ::imgSessionReleaseBuffer(uint32_t session_id)
{
    return Call<decltype(::imgSessionReleaseBuffer)>(EntryPoint::kReleaseBuffer, session_id);
}

int32_t TIMAQ::imgSessionStatus(uint32_t session_id, uint32_t* acquiring, uint32_t* buffer_number)
{
    return Call<decltype(::imgSessionStatus)>(
        EntryPoint::kSessionStatus, session_id, acquiring, buffer_number);
}

int32_t TIMAQ::imgSessionStopAcquisition(uint32_t session_id)
{
    return Call<decltype(::imgSessionStopAcquisition)>(EntryPoint::kStopAcquisition, session_id);
}

int32_t TIMAQ::imgSessionGetLostFramesList(uint32_t session_id, uint32_t* list, uint32_t count)
{
    return Call<decltype(::imgSessionGetLostFramesList)>(
        EntryPoint::kGetLostFramesList, session_id, list, count);
}

int32_t TIMAQ::imgDisposeBuffer(void* buffer)
{
    return Call<decltype(::imgDisposeBuffer)>(EntryPoint::kDisposeBuffer, buffer);
}

int32_t TIMAQ::imgClose(uint32_t id, uint32_t free_resources)
{
    return Call<decltype(::imgClose)>(EntryPoint::kClose, id, free_resources);
}

int32_t TIMAQ::imgShowError(int32_t code, QString& text)
{
    std::array<char, kImgErrorTextSize> buffer {};
    const int32_t result = Call<decltype(::imgShowError)>(EntryPoint::kShowError, code, buffer.data());
    text = TextOf(buffer);
    return result;
}

int32_t TIMAQ::imgInterfaceQueryNames(uint32_t index, QString& name)
{
    std::array<char, kImgInterfaceNameSize> buffer {};
    const int32_t result
        = Call<decltype(::imgInterfaceQueryNames)>(EntryPoint::kQueryNames, index, buffer.data());
    name = TextOf(buffer);
    return result;
}

} // namespace fw
