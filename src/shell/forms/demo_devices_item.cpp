#include "shell/forms/demo_devices_item.h"

#include <QAction>

#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kCaption = QStringLiteral("Demo Devices");

} // namespace

void ToggleDemoDevices(QAction& item, const DemoDevicesCommand& command)
{
    const bool start = item.isChecked();
    try {
        if (start) {
            const QString text = command.start();
            showInformation(text, kCaption);
        } else {
            command.stop();
        }
    } catch (const Error& failure) {
        qCWarning(lcShell).noquote() << (start ? "Demo devices not started:" : "Demo devices not stopped:")
                                     << failure.message();
        item.setChecked(!start);
        showWarning(failure.message(), kCaption);
    }
}

} // namespace fw
