#pragma once

// What the simulated bus holds, read from the environment: where each processor sits, the
// recording it holds when switched on, and the faults it shows. The variables are listed in the
// manual's "GPIB simulator" section.

#include <cstdint>
#include <string>

namespace fw::gpib_sim {

enum class Model { Em1012, Hs4540 };

struct RecordingDate {
    int year = 98; // two digits
    int month = 5;
    int day = 14;
    int hour = 10;
    int minute = 30;
};

struct Recording {
    bool present = true;
    std::int32_t first_frame = 0;
    std::int32_t last_frame = 0;
    int rate_fps = 0;
    int exposure = 0;
    int session = 0;
    bool two_rates = false; // EM 1012: the second value of the rate and exposure replies counts
    RecordingDate date;
};

struct Faults {
    bool no_listener = false; // nothing answers at the address
    bool timeout = false; // listens but never talks: reads and serial polls time out
    bool upload_timeout = false; // a frame upload stops half way with a time-out
    bool keypad_lock = false; // the user holds the keypad: remote commands are refused
    bool stuck_srq = false; // the service request stays asserted after serial polls
    bool stuck_busy = false; // the busy bit never clears
};

struct DeviceConfig {
    Model model = Model::Em1012;
    bool present = true;
    int board = 0; // GPIB0 .. GPIB3
    std::string name; // device name as ibfind takes it, upper case
    int primary_address = 0; // "DEV" + this address also finds the device
    int initial_state = 4; // status nibble at power-on
    int busy_polls = 1; // serial polls that see the busy bit after a record or stop command
    Recording recording;
    Faults faults;
};

constexpr int kBoardCount = 4;

DeviceConfig readDeviceConfig(Model model);

std::string upperCase(std::string text);

} // namespace fw::gpib_sim
