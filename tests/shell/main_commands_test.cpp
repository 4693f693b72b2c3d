#include "shell/main_commands.h"

#include <map>

#include <gtest/gtest.h>

namespace fw {
namespace {

std::map<QString, bool> Enabled(const MainCommandFacts& facts)
{
    const MainCommandStates states = MainCommandStatesFor(facts);
    std::map<QString, bool> enabled;
    for (const auto& [name, on] : states.enabled) {
        EXPECT_TRUE(enabled.emplace(name, on).second) << name.toStdString() << " set twice";
    }
    return enabled;
}

MainCommandFacts IdleClipWindow()
{
    MainCommandFacts facts;
    facts.children = true;
    facts.current = true;
    facts.current_timed_clip = true;
    facts.quick_measure_allowed = true;
    facts.measurement_available = true;
    facts.signal_graph_allowed = true;
    facts.signal_graph_available = true;
    return facts;
}

TEST(MainCommands, WithoutChildrenOnlyWhatNeedsNoWindowIsOffered)
{
    MainCommandFacts facts;
    std::map<QString, bool> enabled = Enabled(facts);
    for (const char* name :
        { "CloseItem", "CloseAllItem", "CopyFrameItem", "DescriptorsItem", "CompressionOptions", "SaveAs",
            "QMeasureItem", "DeleteSourceFiles", "SGraphItem", "OpenImager1" })
        EXPECT_FALSE(enabled.at(QLatin1String(name))) << name;
    EXPECT_FALSE(MainCommandStatesFor(facts).time_panel);

    // Left-over source files and an open main graph need no child.
    facts.source_files = true;
    facts.main_graph = true;
    enabled = Enabled(facts);
    EXPECT_TRUE(enabled.at("DeleteSourceFiles"));
    EXPECT_TRUE(enabled.at("SGraphItem"));
}

TEST(MainCommands, AClipWindowThatIsSavingCannotBeSavedOrReconfigured)
{
    MainCommandFacts facts = IdleClipWindow();
    std::map<QString, bool> enabled = Enabled(facts);
    EXPECT_TRUE(enabled.at("SaveAs") && enabled.at("CompressionOptions") && enabled.at("QMeasureItem"));
    EXPECT_FALSE(enabled.at("OpenImager1"));
    EXPECT_TRUE(SaveAsAllowed(facts));

    facts.current_saving = true;
    enabled = Enabled(facts);
    EXPECT_FALSE(enabled.at("SaveAs"));
    EXPECT_FALSE(enabled.at("CompressionOptions"));
    EXPECT_TRUE(enabled.at("CloseItem"));
    EXPECT_FALSE(SaveAsAllowed(facts));

    // A display window that belongs to a preview window is no clip window of its own.
    facts = IdleClipWindow();
    facts.current_timed_clip = false;
    EXPECT_FALSE(Enabled(facts).at("SaveAs"));
}

TEST(MainCommands, ToolsNeedBothTheChildsLeaveAndTheirWindows)
{
    using Fact = bool MainCommandFacts::*;
    const auto without = [](Fact measure, Fact graph) {
        MainCommandFacts facts = IdleClipWindow();
        facts.*measure = false;
        facts.*graph = false;
        return facts;
    };
    for (const MainCommandFacts& facts :
        { without(&MainCommandFacts::measurement_available, &MainCommandFacts::signal_graph_available),
            without(&MainCommandFacts::quick_measure_allowed, &MainCommandFacts::signal_graph_allowed) }) {
        const std::map<QString, bool> enabled = Enabled(facts);
        EXPECT_FALSE(enabled.at("QMeasureItem"));
        EXPECT_FALSE(enabled.at("SGraphItem"));
        EXPECT_FALSE(ChildSignalGraph(facts));
    }
}

TEST(MainCommands, AttachImagerNeedsTheProgramsAttachCommandOnly)
{
    MainCommandFacts facts;
    facts.imager_attach_available = true;
    EXPECT_TRUE(Enabled(facts).at("OpenImager1"));
    facts = IdleClipWindow();
    facts.current_saving = true;
    facts.imager_attach_available = true;
    EXPECT_TRUE(Enabled(facts).at("OpenImager1"));
}

TEST(MainCommands, RecordFollowsTheImagerWindows)
{
    MainCommandFacts facts = IdleClipWindow();
    EXPECT_FALSE(MainCommandStatesFor(facts).record_enabled);
    facts.idle_imager = true;
    MainCommandStates states = MainCommandStatesFor(facts);
    EXPECT_TRUE(states.record_enabled);
    EXPECT_FALSE(states.record_armed);
    facts.idle_imager = false;
    facts.armed_imager = true;
    states = MainCommandStatesFor(facts);
    EXPECT_TRUE(states.record_enabled);
    EXPECT_TRUE(states.record_armed);
    EXPECT_TRUE(states.time_panel);
}

} // namespace
} // namespace fw
