#include "imagers/hg/hg_identifier_change.h"

#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/hg_setup_values.h"

namespace fw {

HGIdentifierChange ChangeHGIdentifier(THGCommLayer& link, int requested)
{
    const auto wanted = uint8_t(CapRegisterByte(requested));
    const uint8_t own = link.Identifier();
    if (wanted == own)
        return HGIdentifierChange::Unchanged;
    link.SetIdentifier(wanted);
    const bool answered = link.Identify(false);
    link.SetIdentifier(own);
    if (answered) {
        link.Identify(false);
        return HGIdentifierChange::Taken;
    }
    link.WriteRegister(hgcmd::kIdentifier, wanted);
    if (link.LastError() != hgresult::kSuccess) {
        link.SetIdentifier(own);
        return HGIdentifierChange::Failed;
    }
    return HGIdentifierChange::Changed;
}

QString HGIdentifierTakenText(int identifier, const QString& interface_name)
{
    return QStringLiteral("Another Imager #") + QString::number(identifier)
        + QStringLiteral(" is active on the ") + interface_name + QStringLiteral(" interface.");
}

} // namespace fw
