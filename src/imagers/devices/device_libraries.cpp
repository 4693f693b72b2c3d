#include "imagers/devices/device_libraries.h"

#include "imagers/gpib/gpib.h"
#include "imagers/imager_list.h"
#include "imagers/imaq/imaq.h"
#include "imagers/port_list.h"
#include "support/log.h"

namespace fw {

std::shared_ptr<TGPIB> TDeviceLibraries::Gpib()
{
    if (!gpib_ || gpib_->LibraryName() != GpibLibraryName())
        gpib_ = std::make_shared<TGPIB>();
    return gpib_;
}

std::shared_ptr<TIMAQ> TDeviceLibraries::Imaq()
{
    if (!imaq_ || imaq_->LibraryName() != ImaqLibraryName())
        imaq_ = std::make_shared<TIMAQ>();
    return imaq_;
}

bool TDeviceLibraries::GpibLoads()
{
    const std::shared_ptr<TGPIB> gpib = Gpib();
    if (!gpib->Load()) {
        qCInfo(lcImagers).noquote() << "GPIB ports are not listed:" << gpib->ErrorMessage();
        return false;
    }
    gpib->Unload();
    return true;
}

std::vector<QString> TDeviceLibraries::ImaqInterfaces()
{
    const std::shared_ptr<TIMAQ> imaq = Imaq();
    if (!imaq->Load()) {
        qCInfo(lcImagers).noquote() << "Frame-grabber interfaces are not listed:"
                                    << imaq->ErrorText(TIMAQ::kLibraryNotLoaded);
        return {};
    }
    const QStringList names = imaq->InterfaceNames();
    if (names.isEmpty() && imaq->LastError() != 0)
        qCInfo(lcImagers).noquote() << "Frame-grabber interfaces are not listed:"
                                    << imaq->ErrorText(imaq->LastError());
    else if (names.isEmpty())
        qCInfo(lcImagers).noquote() << imaq->LibraryName() << "reports no frame-grabber interfaces";
    imaq->Unload();
    return { names.begin(), names.end() };
}

bool TDeviceLibraries::GpibDeviceAnswers(const QString& address)
{
    const std::shared_ptr<TGPIB> gpib = Gpib();
    if (!gpib->Load())
        return false;
    const int device = gpib->ibfind(address);
    // Taking the device offline again hands it back as it was found.
    if (device >= 0)
        gpib->ibonl(device, 0);
    gpib->Unload();
    return device >= 0;
}

void TDeviceLibraries::Relist(TPortList& ports, TImagerList& list)
{
    ports.RelistDevices(GpibLoads(), ImaqInterfaces());
    list.RelinkPorts();
}

} // namespace fw
