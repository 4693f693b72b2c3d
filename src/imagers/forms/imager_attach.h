#pragma once

#include <functional>
#include <memory>

#include "imagers/attach_loop.h"
#include "imagers/imager_list.h"
#include "imagers/port_list.h"

namespace fw {

class SettingsStore;
class TAttachForm;
class TAttachingForm;

// The main window's "Attach Imager": the port list, the imager list and its window, made once
// per program run, and the attach loop over the entries the user chose.
class TImagerAttach {
public:
    using HGDownloadOpener = std::function<void(const TAttacher& entry, std::unique_ptr<THGCommLayer> link)>;
    using EMDownloadOpener = std::function<void(const TAttacher& entry, const QString& address)>;
    using CaptureOpener = std::function<void(const TAttacher& entry, const QString& interface_name)>;

    explicit TImagerAttach(TPortList::Sources port_sources);
    ~TImagerAttach();
    TImagerAttach(const TImagerAttach&) = delete;
    TImagerAttach& operator=(const TImagerAttach&) = delete;

    // The links finding and attaching use; none by default.
    void SetLinks(TImagerLinks links);

    void Load(const SettingsStore& store);
    void Save(SettingsStore& store);

    // The attach window, then each entry chosen in list order: HG/RO entries get their link
    // and go to `open_hg_download`, EM 1012 and HS 4540 entries go to `open_em_download` with
    // their processor address, NI-IMAQ entries to `open_capture` with their interface; the
    // others are told apart as AttachRefusalText says.
    void Run(const HGDownloadOpener& open_hg_download, const EMDownloadOpener& open_em_download = {},
        const CaptureOpener& open_capture = {});

    TImagerList& List() { return list_; }
    const TPortList& Ports() const { return ports_; }
    TPortList& Ports() { return ports_; }
    TAttachForm& Form() const { return *form_; }
    TAttachingForm& WaitingForm() const { return *waiting_form_; }

private:
    TPortList ports_;
    TImagerList list_;
    TImagerLinks links_;
    std::unique_ptr<TAttachForm> form_;
    std::unique_ptr<TAttachingForm> waiting_form_;
};

} // namespace fw
