#include "imagers/forms/imager_attach.h"

#include "imagers/forms/attach_form.h"
#include "imagers/forms/attaching_form.h"
#include "imagers/forms/hg_form.h"
#include "imagers/hg/hg_comm_layer.h"

namespace fw {

TImagerAttach::TImagerAttach(TPortList::Sources port_sources)
    : ports_(std::move(port_sources))
    , list_(ports_)
    , form_(std::make_unique<TAttachForm>(list_))
    , waiting_form_(std::make_unique<TAttachingForm>())
{
}

TImagerAttach::~TImagerAttach() = default;

void TImagerAttach::SetLinks(TImagerLinks links)
{
    links_ = std::move(links);
    form_->SetSearch(links_.find);
    TImagerSetupActions setup;
    if (links_.open) {
        // The setup link leaves the entry's attached flag alone: a download window may hold it.
        setup.open_link = [open = links_.open](const TAttacher& entry) { return open(entry, nullptr); };
        setup.show_setup = [form = form_.get()](THGCommLayer& link, TAttacher& entry) {
            THGForm setup_form(link, form);
            setup_form.SetEntry(&entry);
            return setup_form.Show() == 1;
        };
    }
    form_->SetSetup(std::move(setup));
}

void TImagerAttach::Load(const SettingsStore& store)
{
    form_->Load(store);
}

void TImagerAttach::Save(SettingsStore& store)
{
    form_->Save(store);
}

void TImagerAttach::Run(const HGDownloadOpener& open_hg_download, const EMDownloadOpener& open_em_download,
    const CaptureOpener& open_capture)
{
    if (!form_->Select())
        return;
    TAttachActions actions;
    actions.begin = [this](const TAttacher& entry) { waiting_form_->Begin(entry.CheckingText()); };
    actions.end = [this] { waiting_form_->End(); };
    actions.links = links_;
    actions.open_hg_download = open_hg_download;
    actions.open_em_download = open_em_download;
    actions.open_capture = open_capture;
    AttachFlagged(list_, actions);
}

} // namespace fw
