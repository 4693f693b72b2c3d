#include <cstdio>
#include <memory>
#include <vector>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "imagers/capture/forms/cap_preview.h"
#include "imagers/devices/demo_devices.h"
#include "imagers/devices/device_libraries.h"
#include "imagers/em/em_stream_open.h"
#include "imagers/em/forms/em_preview.h"
#include "imagers/forms/hg_form.h"
#include "imagers/forms/imager_attach.h"
#include "imagers/gpib/gpib.h"
#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/ro_rs485.h"
#include "imagers/hg/shared_serial_driver.h"
#include "imagers/imager_links.h"
#include "imagers/imaq/imaq.h"
#include "imagers/ro.h"
#include "measure/forms/qm_form.h"
#include "shell/forms/ro_preview.h"
#include "shell/forms/wright_viewer.h"
#include "shell/single_instance.h"
#include "signals/forms/graph_form.h"
#include "signals/forms/sig_info_dialog.h"
#include "support/forms/message_box_prompt.h"
#include "support/log.h"
#include "support/log_sink.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace {

struct Options {
    QString settings_file;
    QString instance_name;
    QString file_name;
};

Options ParseOptions(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Motion analysis of high-speed camera clips."));
    parser.addHelpOption();
    const QCommandLineOption settings(QStringLiteral("settings"),
        QStringLiteral("Keep the settings in this INI file instead of the user's store."),
        QStringLiteral("ini"));
    const QCommandLineOption instance(QStringLiteral("instance-name"),
        QStringLiteral("Name of the local socket that keeps the program single."), QStringLiteral("name"));
    parser.addOption(settings);
    parser.addOption(instance);
    parser.addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("A clip or signal file to open."), QStringLiteral("[file]"));
    parser.process(app);
    Options options;
    options.settings_file = parser.value(settings);
    options.instance_name = parser.value(instance);
    if (!parser.positionalArguments().isEmpty())
        options.file_name = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    return options;
}

// With FRAMEWRIGHT_OPEN_LOG set, every clip the program opens is logged there, one name a line;
// scripts and tests watch a running program through it.
void LogOpenedFiles(fw::TWrightViewer& viewer)
{
    const QString log_path = qEnvironmentVariable("FRAMEWRIGHT_OPEN_LOG");
    if (log_path.isEmpty())
        return;
    QObject::connect(&viewer, &fw::TWrightViewer::fileOpened, &viewer, [log_path](const QString& file_name) {
        QFile log(log_path);
        if (log.open(QIODevice::Append | QIODevice::Text))
            QTextStream(&log) << file_name << '\n';
    });
}

// The imager attach window over this machine's ports.
// The GPIB ports are listed when the GPIB driver library (FRAMEWRIGHT_GPIB_LIBRARY, else
// linux-gpib's) loads; the frame-grabber library's interfaces (FRAMEWRIGHT_IMAQ_LIBRARY, else the
// GenICam library) are listed as ports, and Find lists them as entries.
std::unique_ptr<fw::TImagerAttach> MakeImagerAttach(
    const fw::SettingsStore& settings, fw::TDeviceLibraries& libraries)
{
    fw::TPortList::Sources ports;
    ports.serial_ports = fw::TPortList::SystemSerialPorts();
    ports.gpib_available = libraries.GpibLoads();
    ports.imaq_interfaces = libraries.ImaqInterfaces();
    ports.make_serial_driver = [](const QString& port_name, const QString& system_port_name) {
        return std::make_unique<fw::TSharedSerialDriver>(system_port_name, port_name);
    };
    auto attach = std::make_unique<fw::TImagerAttach>(std::move(ports));
    attach->Load(settings);
    const auto serial_link = [](fw::TSharedDriver& port, uint8_t identifier,
                                 int baud_rate) -> std::unique_ptr<fw::THGCommLayer> {
        auto* line = dynamic_cast<fw::TSharedSerialDriver*>(&port);
        if (!line)
            throw fw::Error(port.PortName() + QStringLiteral(" is not a serial line."));
        return std::make_unique<fw::TRORS485>(*line, identifier, baud_rate);
    };
    attach->SetLinks(fw::HGImagerLinks(fw::HGLinkFactory(attach->List().Preferences(), serial_link)));
    return attach;
}

// An attached HG/RO imager's download and preview window over its recording. A failure to
// identify it is shown; the link then goes, which detaches the imager.
void OpenHGDownload(const fw::ChildContext& context, const fw::TAttachPreferences& preferences,
    const fw::TAttacher& entry, std::unique_ptr<fw::THGCommLayer> link)
{
    auto source = std::make_unique<fw::TRO>(
        std::move(link), preferences.update_clock, entry.Description(), entry.name);
    source->SetSetupOpener([](fw::THGCommLayer& imager) {
        fw::THGForm setup(imager);
        setup.Show();
    });
    try {
        source->Open(entry.LinkText());
    } catch (const fw::Error& failure) {
        fw::showError(failure.message());
        return;
    }
    auto* preview = new fw::TROPreview(context, std::move(source), entry.LinkText(), entry.DownloadTitle());
    preview->SetAutoDetach(preferences.auto_detach);
}

// An attached EM 1012 or HS 4540 processor's download window on the program's driver library,
// shared by every processor; a processor that cannot be reached throws, and the attach loop shows
// why.
void OpenEMDownload(const fw::ChildContext& context, const fw::TAttachPreferences& preferences,
    const std::shared_ptr<fw::TGPIB>& gpib, const fw::TAttacher& entry, const QString& address)
{
    const fw::EmModel model = entry.kind == fw::ikHS4540 ? fw::EmModel::Hs4540 : fw::EmModel::Em1012;
    auto stream = fw::OpenEmStream(model, gpib, address, context.settings);
    auto* preview = new fw::TEMPreview(context, std::move(stream), address, entry.DownloadTitle());
    preview->SetAutoDetach(preferences.auto_detach);
}

// An attached frame grabber's capture window on the program's one frame-grabber library.
void OpenCapture(const fw::ChildContext& context, const fw::TAttachPreferences& preferences,
    const std::shared_ptr<fw::TIMAQ>& imaq, const fw::TAttacher& entry, const QString& interface_name)
{
    auto* preview = new fw::TCapPreview(context, imaq, interface_name, entry.DownloadTitle());
    preview->SetAutoDetach(preferences.auto_detach);
}

void InstallImagerAttach(
    fw::TWrightViewer& viewer, fw::TImagerAttach& attach, fw::TDeviceLibraries& libraries)
{
    fw::ImagerAttachCommand command;
    command.attach = [&attach, &libraries](const fw::ChildContext& context) {
        attach.Run(
            [&context, &attach](const fw::TAttacher& entry, std::unique_ptr<fw::THGCommLayer> link) {
                OpenHGDownload(context, attach.List().Preferences(), entry, std::move(link));
            },
            [&context, &attach, &libraries](const fw::TAttacher& entry, const QString& address) {
                OpenEMDownload(context, attach.List().Preferences(), libraries.Gpib(), entry, address);
            },
            [&context, &attach, &libraries](const fw::TAttacher& entry, const QString& interface_name) {
                OpenCapture(context, attach.List().Preferences(), libraries.Imaq(), entry, interface_name);
            });
    };
    command.write_settings = [&attach](fw::SettingsStore& store) { attach.Save(store); };
    viewer.SetImagerAttachCommand(std::move(command));
}

void InstallDemoDevices(fw::TWrightViewer& viewer, fw::TDemoDevices& demo)
{
    fw::DemoDevicesCommand command;
    command.start = [&demo] { return demo.Start(); };
    command.stop = [&demo] { demo.Stop(); };
    viewer.SetDemoDevicesCommand(std::move(command));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framewright"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwell"));
    const Options options = ParseOptions(app);
    fw::InstallLogSink({ true, fw::DefaultLogFilePath() });

    fw::SingleInstance instance(
        options.instance_name.isEmpty() ? fw::SingleInstance::DefaultServerName() : options.instance_name);
    // A running program that ends just as this one starts is followed by one more try; a
    // name that cannot be listened on at all only costs the hand-over, never the program.
    for (int attempt = 0; attempt < 3 && !instance.Listen(); ++attempt) {
        using Result = fw::SingleInstance::HandOverResult;
        const Result result = fw::SingleInstance::HandOver(instance.ServerName(), options.file_name);
        if (result == Result::Delivered)
            return 0;
        if (result == Result::Busy) {
            std::fprintf(stderr, "framewright: the running program did not answer; %s was not passed on.\n",
                options.file_name.isEmpty() ? "nothing" : qPrintable(options.file_name));
            return 1;
        }
    }
    if (!instance.Listening())
        std::fprintf(stderr, "framewright: cannot listen on %s; later starts will not find this one.\n",
            qPrintable(instance.ServerName()));

    fw::MessageBoxPrompt prompt;
    fw::installPrompt(&prompt);
    fw::InstallSignalGraphing();
    fw::TQMForm::Install();
    fw::InstallSigInfoDialog();
    const int exit_code = [&] {
        auto settings = options.settings_file.isEmpty()
            ? std::make_unique<fw::SettingsStore>()
            : std::make_unique<fw::SettingsStore>(options.settings_file);
        // The GPIB and frame-grabber libraries, shared by the attach window's ports and the
        // download and capture windows.
        fw::TDeviceLibraries libraries;
        // The attach window outlives the main window, which stores its list when it closes.
        const std::unique_ptr<fw::TImagerAttach> imager_attach = MakeImagerAttach(*settings, libraries);
        // The demo devices end after the main window, whose download windows let go of them first.
        fw::TDemoDevices demo_devices(
            imager_attach->List(), imager_attach->Ports(), libraries, QCoreApplication::applicationDirPath());
        fw::TWrightViewer viewer(*settings);
        InstallImagerAttach(viewer, *imager_attach, libraries);
        InstallDemoDevices(viewer, demo_devices);
        LogOpenedFiles(viewer);
        QObject::connect(
            &instance, &fw::SingleInstance::fileReceived, &viewer, &fw::TWrightViewer::QueueFile);
        QObject::connect(
            &instance, &fw::SingleInstance::raiseRequested, &viewer, &fw::TWrightViewer::BringForward);
        if (!options.file_name.isEmpty())
            viewer.QueueFile(options.file_name);
        viewer.show();
        return QApplication::exec();
    }();
    fw::installPrompt(nullptr);
    return exit_code;
}
