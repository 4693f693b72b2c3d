#pragma once

#include <array>
#include <functional>
#include <mutex>

#include <QObject>
#include <QString>

#include "imagers/gpib/gpib_library.h"
#include "support/shared_library.h"

namespace fw {

// The GPIB driver library (linux-gpib or an NI-488.2 compatible one) on the program's side. It is
// loaded at run time with a count, each entry point is looked up on its first use and kept, and
// the driver's status words come back in the convention the protocol layer relies on: a failed
// call is negative. One instance serves the whole program; it has no lock, so only one operation
// may run at a time on one device, and Iberr/Ibcntl must be read on the thread that made the call.
class TGPIB : public QObject {
public:
    // The ERR bit of a status word; a failed call returns it sign-extended.
    static constexpr int kErrBit = 0x8000;
    // Bit of a status word after a read: the device requests service.
    static constexpr int kRqsBit = 0x0800;
    // What an operation returns when its entry point cannot be reached.
    static constexpr int kFailedStatus = -kErrBit;
    // What ibfind returns when its entry point cannot be reached.
    static constexpr int kFindUnavailable = -2;
    // Names in Unicode mode are cut at this many characters.
    static constexpr int kNameBufferSize_chars = 130;

    using SymbolLookup = std::function<void*(void* handle, const char* name)>;

    explicit TGPIB(QObject* owner = nullptr, QString library_name = GpibLibraryName());
    ~TGPIB() override;

    bool Load();
    void Unload();
    bool IsLoaded() const { return library_.IsOpen(); }
    int LoadCount() const { return library_.UseCount(); }
    const QString& LibraryName() const { return library_.FileName(); }

    bool UniCode() const { return unicode_; }
    void SetUniCode(bool unicode);

    // The wrapper's own pending error (98, 99) if there is one, else the driver's iberr.
    int Iberr();
    // Bytes moved by the last transfer of this thread; 0 without a driver.
    long Ibcntl();
    QString ErrorText(int code) const;
    // "GPIB Error: " + the text of Iberr: how a failed load or driver call is reported.
    QString ErrorMessage();
    // The last call could not reach the driver: no library, or no such entry point.
    bool LastCallUnreachable() const;
    // The entry point the last failed lookup asked for.
    QString MissingEntryPoint() const;

    int ibfind(const QString& name);
    int ibclr(int ud);
    int ibconfig(int ud, int option, int value);
    int ibdma(int ud, int enable);
    int ibeos(int ud, int end_of_string_mode);
    int ibeot(int ud, int assert_eoi);
    int ibonl(int ud, int online);
    int ibrd(int ud, void* buffer, long count);
    int ibrsp(int ud, char* status_byte);
    int ibtmo(int ud, int timeout_code);
    int ibwrt(int ud, const void* buffer, long count);

    // Replaces dlsym, so that tests can see when a name is looked up.
    void SetSymbolLookup(SymbolLookup lookup);

private:
    enum class EntryPoint {
        kIbfind,
        kIbclr,
        kIbconfig,
        kIbdma,
        kIbeos,
        kIbeot,
        kIbonl,
        kIbrd,
        kIbrsp,
        kIbtmo,
        kIbwrt,
        kThreadIberr,
        kThreadIbcntl,
        kCount,
    };
    static constexpr auto kEntryPointCount = static_cast<std::size_t>(EntryPoint::kCount);

    void* ResolveAddress(EntryPoint entry);
    template <typename Function> Function* Resolve(EntryPoint entry)
    {
        return reinterpret_cast<Function*>(ResolveAddress(entry));
    }
    template <typename Function, typename... Args> int CallForStatus(EntryPoint entry, Args... args);
    void ForgetEntryPoints();

    TSharedLibrary library_;
    // Guards the cached addresses and the missing name: uploads run on a thread of their own.
    mutable std::mutex entry_mutex_;
    QString missing_entry_point_;
    bool unicode_ = false;
    std::array<void*, kEntryPointCount> entry_points_ {};
    SymbolLookup lookup_;
};

// A driver status word as the protocol layer reads it: the driver sets the ERR bit on a positive
// int, callers test for a negative value, so a status with the ERR bit is sign-extended.
int CallerStatus(int driver_status);

} // namespace fw
