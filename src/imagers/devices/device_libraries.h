#pragma once

#include <memory>
#include <vector>

#include <QString>

namespace fw {

class TGPIB;
class TIMAQ;
class TImagerList;
class TPortList;

// The program's GPIB driver library and frame-grabber library: one instance of each, shared by
// every window that uses it, over the library the environment names (FRAMEWRIGHT_GPIB_LIBRARY,
// FRAMEWRIGHT_IMAQ_LIBRARY). When that name changes, the next window gets a fresh instance over
// the new library; windows open already keep the instance they were given.
class TDeviceLibraries {
public:
    std::shared_ptr<TGPIB> Gpib();
    std::shared_ptr<TIMAQ> Imaq();

    // Whether the GPIB library loads: the attach window lists the GPIB ports only then.
    bool GpibLoads();
    // The interfaces the frame-grabber library reports; empty when it cannot be loaded.
    std::vector<QString> ImaqInterfaces();
    // Whether a processor answers to `address` ("GPIB0:DEV7") on the GPIB library.
    bool GpibDeviceAnswers(const QString& address);

    // Lists the GPIB ports and IMAQ interfaces of the libraries named now, and links the list's
    // entries to them.
    void Relist(TPortList& ports, TImagerList& list);

private:
    std::shared_ptr<TGPIB> gpib_;
    std::shared_ptr<TIMAQ> imaq_;
};

} // namespace fw
