#pragma once

#include <functional>
#include <memory>

namespace fw {

class THGCommLayer;
struct TAttacher;

// What "Setup" in the attach window needs: a link for the entry (the links seam; throws
// fw::Error when none can be made) and the setup window over it, which answers whether it
// changed the entry.
struct TImagerSetupActions {
    std::function<std::unique_ptr<THGCommLayer>(const TAttacher& entry)> open_link;
    std::function<bool(THGCommLayer& link, TAttacher& entry)> show_setup;

    bool Available() const { return open_link && show_setup; }
};

enum class SetupOutcome {
    NoLink, // the link could not be made: the user was told why
    NotResponding, // "Imager is not Responding"
    Unchanged,
    Changed, // the entry holds what the setup window changed
};

// Identifies the entry's imager over a link of its own (setting its clock when `update_clock`),
// shows the setup window and ends the link. The entry is changed only through the window.
SetupOutcome RunImagerSetup(TAttacher& entry, bool update_clock, const TImagerSetupActions& actions);

} // namespace fw
