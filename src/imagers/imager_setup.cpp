#include "imagers/imager_setup.h"

#include "imagers/attacher.h"
#include "imagers/hg/hg_comm_layer.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

SetupOutcome RunImagerSetup(TAttacher& entry, bool update_clock, const TImagerSetupActions& actions)
{
    std::unique_ptr<THGCommLayer> link;
    bool identified = false;
    try {
        link = actions.open_link(entry);
        identified = link && link->Identify(update_clock);
    } catch (const Error& failure) {
        qCWarning(lcImagers) << "no link for the setup of" << entry.name << ":" << failure.message();
        showError(failure.message());
        return SetupOutcome::NoLink;
    }
    if (!link)
        return SetupOutcome::NoLink;
    if (!identified) {
        showInformation(QStringLiteral("Imager is not Responding"));
        return SetupOutcome::NotResponding;
    }
    return actions.show_setup(*link, entry) ? SetupOutcome::Changed : SetupOutcome::Unchanged;
}

} // namespace fw
