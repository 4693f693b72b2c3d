#include "imagers/gpib/gpib_error_text.h"

namespace fw {

QString GpibDriverErrorText(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("System error (EDVR)");
    case 1:
        return QStringLiteral("Function requires GPIB board to be CIC (ECIC)");
    case 2:
        return QStringLiteral("Write function detected no Listeners (ENOL)");
    case 3:
        return QStringLiteral("Interface board not addressed correctly (EADR)");
    case 4:
        return QStringLiteral("Invalid argument to function call (EARG)");
    case 5:
        return QStringLiteral("Function requires GPIB board to be SAC (ESAC)");
    case 6:
        return QStringLiteral("I/O operation aborted (EABO)");
    case 7:
        return QStringLiteral("Non-existent interface board (ENEB)");
    case 8:
        return QStringLiteral("Error performing DMA (EDMA)");
    case 10:
        return QStringLiteral("I/O operation started before previous (EOIP)");
    case 11:
        return QStringLiteral("No capability for intended operation (ECAP)");
    case 12:
        return QStringLiteral("File system operation error (EFSO)");
    case 14:
        return QStringLiteral("Command error during device call (EBUS)");
    case 15:
        return QStringLiteral("Serial poll status byte lost (ESTB)");
    case 16:
        return QStringLiteral("SRQ remains asserted (ESRQ)");
    case 20:
        return QStringLiteral("The return buffer is full (ETAB)");
    case 21:
        return QStringLiteral("Address or board is locked (ELCK)");
    default:
        return QStringLiteral("GPIB Error #%1").arg(code);
    }
}

} // namespace fw
