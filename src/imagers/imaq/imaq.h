#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include "imagers/imaq/imaq_api.h"
#include "support/shared_library.h"

namespace fw {

// The library loaded when FRAMEWRIGHT_IMAQ_LIBRARY names none: the GenICam library installed with
// the program.
inline constexpr const char* kDefaultImaqLibrary = "libfw-imaq-genicam.so";

// The name of the frame-grabber library to load: FRAMEWRIGHT_IMAQ_LIBRARY when it is set, else
// kDefaultImaqLibrary.
QString ImaqLibraryName();

// The frame-grabber library on the program's side. It is loaded at run time with a count, each
// entry point is looked up on its first use and kept, and an entry point that cannot be reached
// makes its operation return one of the wrapper's own codes without calling anything. One
// instance serves the whole program; the capture thread and the user-interface thread may both
// call it, but only while they hold a Load.
class TIMAQ : public QObject {
public:
    static constexpr int32_t kEntryPointNotFound = -1;
    static constexpr int32_t kLibraryNotLoaded = -2;
    // Interface names asked for at most, so that a library that never says "no more" cannot hang
    // the program.
    static constexpr uint32_t kMaxInterfaces = 256;

    using SymbolLookup = std::function<void*(void* handle, const char* name)>;

    explicit TIMAQ(QObject* owner = nullptr, QString library_name = ImaqLibraryName());
    ~TIMAQ() override;

    bool Load();
    void Unload();
    bool IsLoaded() const;
    int LoadCount() const;
    const QString& LibraryName() const { return library_.FileName(); }

    // The wrapper's error of the last entry-point lookup: 0, kEntryPointNotFound or kLibraryNotLoaded.
    int32_t LastError() const;
    // The entry point the last failed lookup asked for.
    QString MissingEntryPoint() const;
    // The wrapper's text for its own codes, else the grabber's text for the code.
    QString ErrorText(int32_t code);
    // The interfaces the library reports, in its order; empty when it reports none or cannot be reached.
    QStringList InterfaceNames();

    int32_t imgInterfaceOpen(const QString& name, uint32_t* interface_id);
    int32_t imgInterfaceReset(uint32_t interface_id);
    int32_t imgSessionOpen(uint32_t interface_id, uint32_t* session_id);
    int32_t imgGetAttribute(uint32_t session_id, uint32_t attribute, uint32_t* value);
    int32_t imgSetAttribute(uint32_t session_id, uint32_t attribute, uint32_t value);
    int32_t imgCreateBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer);
    int32_t imgRingSetup(uint32_t session_id, uint32_t buffer_count, void** buffer_list,
        uint32_t frames_to_skip, uint32_t start_now);
    int32_t imgSessionExamineBuffer(uint32_t session_id, uint32_t wanted, uint32_t* given, void** buffer);
    int32_t imgSessionReleaseBuffer(uint32_t session_id);
    int32_t imgSessionStatus(uint32_t session_id, uint32_t* acquiring, uint32_t* buffer_number);
    int32_t imgSessionStopAcquisition(uint32_t session_id);
    int32_t imgSessionGetLostFramesList(uint32_t session_id, uint32_t* list, uint32_t count);
    int32_t imgDisposeBuffer(void* buffer);
    int32_t imgClose(uint32_t id, uint32_t free_resources);
    // The library fills a buffer of its own size; the text is cut at its end whatever it wrote.
    int32_t imgShowError(int32_t code, QString& text);
    int32_t imgInterfaceQueryNames(uint32_t index, QString& name);

    // Replaces dlsym, so that tests can see when a name is looked up.
    void SetSymbolLookup(SymbolLookup lookup);

private:
    enum class EntryPoint {
        kInterfaceOpen,
        kInterfaceReset,
        kSessionOpen,
        kGetAttribute,
        kSetAttribute,
        kCreateBuffer,
        kRingSetup,
        kExamineBuffer,
        kReleaseBuffer,
        kSessionStatus,
        kStopAcquisition,
        kGetLostFramesList,
        kDisposeBuffer,
        kClose,
        kShowError,
        kQueryNames,
        kCount,
    };
    static constexpr auto kEntryPointCount = static_cast<std::size_t>(EntryPoint::kCount);

    // The address of the entry point, or null with the wrapper's code in error.
    void* ResolveAddress(EntryPoint entry, int32_t& error);
    template <typename Function, typename... Args> int32_t Call(EntryPoint entry, Args... args);

    mutable QMutex mutex_;
    TSharedLibrary library_;
    int32_t last_error_ = 0;
    QString missing_entry_point_;
    std::array<void*, kEntryPointCount> entry_points_ {};
    SymbolLookup lookup_;
};

} // namespace fw
