#include "shell/forms/child_windows.h"

namespace fw {

namespace {

SignalGraphFactory& graphFactory()
{
    static SignalGraphFactory factory;
    return factory;
}

} // namespace

void SetSignalGraphFactory(SignalGraphFactory factory)
{
    graphFactory() = std::move(factory);
}

bool SignalGraphAvailable()
{
    return bool(graphFactory());
}

SignalGraphWindow* CreateSignalGraph(QWidget* parent, TChildForm* display, SettingsStore* settings)
{
    return graphFactory() ? graphFactory()(parent, display, settings) : nullptr;
}

} // namespace fw
