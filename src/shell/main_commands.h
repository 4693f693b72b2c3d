#pragma once

#include <utility>
#include <vector>

#include <QString>

namespace fw {

// What the main window's commands depend on: its children, the current child and the master
// clock's kinds of imager window.
struct MainCommandFacts {
    bool children = false; // any child window is open
    bool current = false; // there is a current child
    bool current_saving = false;
    bool current_timed_clip = false; // the current child is a clip window of its own
    bool quick_measure_allowed = false; // by the current child
    bool measurement_available = false; // a Quick Measure window can be made at all
    bool signal_graph_allowed = false; // by the current child
    bool signal_graph_available = false; // a signal graph window can be made at all
    bool main_graph = false; // the main signal graph window is open
    bool imager_attach_available = false; // the program installed the attach command
    bool demo_devices_available = false; // the program installed the demo devices command
    bool source_files = false; // a download left source files behind
    bool idle_imager = false; // an imager window whose recorder is idle
    bool armed_imager = false; // an imager window armed or recording
};

// The states the commands take from the facts, by the commands' object names.
struct MainCommandStates {
    std::vector<std::pair<QString, bool>> enabled;
    bool time_panel = false;
    bool record_enabled = false;
    bool record_armed = false;
};

MainCommandStates MainCommandStatesFor(const MainCommandFacts& facts);

// Save As re-saves the clip of a clip window of its own, while it is not saving.
bool SaveAsAllowed(const MainCommandFacts& facts);
// Signal Graphing opens the current child's own graph when it may have one; otherwise the main
// window's.
bool ChildSignalGraph(const MainCommandFacts& facts);

} // namespace fw
