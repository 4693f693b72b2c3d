#include "shell/main_commands.h"

namespace fw {

bool SaveAsAllowed(const MainCommandFacts& facts)
{
    return facts.current && facts.current_timed_clip && !facts.current_saving;
}

bool ChildSignalGraph(const MainCommandFacts& facts)
{
    return facts.current && facts.signal_graph_allowed && facts.signal_graph_available;
}

MainCommandStates MainCommandStatesFor(const MainCommandFacts& facts)
{
    MainCommandStates states;
    auto set = [&states](const char* name, bool on) { states.enabled.emplace_back(QLatin1String(name), on); };
    set("CloseItem", facts.children);
    set("CloseAllItem", facts.children);
    set("CopyFrameItem", facts.children);
    set("DescriptorsItem", facts.children);
    set("CompressionOptions", facts.current && !facts.current_saving);
    set("SaveAs", SaveAsAllowed(facts));
    set("QMeasureItem", facts.current && facts.quick_measure_allowed && facts.measurement_available);
    set("DeleteSourceFiles", facts.source_files);
    set("OpenImager1", facts.imager_attach_available);
    set("DemoDevicesItem", facts.demo_devices_available);
    set("SGraphItem", ChildSignalGraph(facts) || facts.main_graph);
    states.time_panel = facts.children;
    states.record_enabled = facts.idle_imager || facts.armed_imager;
    states.record_armed = facts.armed_imager;
    return states;
}

} // namespace fw
