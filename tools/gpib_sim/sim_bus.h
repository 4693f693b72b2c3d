#pragma once

// The simulated bus behind the driver entry points: four boards (GPIB0 with the two processors
// unless the environment moves them, GPIB1 to GPIB3 empty) and the table of unit descriptors
// that ibfind hands out. Every operation returns the status word and, where the driver sets
// them, the error code and the transfer count.

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim_processor.h"

namespace fw::gpib_sim {

enum Status : int {
    kErr = 0x8000,
    kTimo = 0x4000,
    kEnd = 0x2000,
    kRqs = 0x0800,
    kCmpl = 0x0100,
};

enum Error : int {
    kEdvr = 0,
    kEnol = 2,
    kEadr = 3,
    kEarg = 4,
    kEabo = 6,
    kEneb = 7,
};

struct CallResult {
    int status = kCmpl;
    std::optional<int> error; // kept from the previous call when empty
    std::optional<long> count;
};

class SimBus {
public:
    static SimBus& instance();

    int find(const std::string& name, int& error);
    CallResult clear(int ud);
    CallResult configure(int ud, int option, int value);
    CallResult setDma(int ud, int enable);
    CallResult setEos(int ud, int mode);
    CallResult setEot(int ud, int enable);
    CallResult setOnline(int ud, int online);
    CallResult setTimeout(int ud, int code);
    CallResult serialPoll(int ud, char* status_byte);
    CallResult read(int ud, void* buffer, long count);
    CallResult write(int ud, const void* buffer, long count);

    // The board ("GPIB0") or device name ("DEV7") of an open descriptor, else "#" and its number.
    std::string unitName(int ud) const;

    std::mutex& mutex() { return mutex_; }

private:
    struct Unit {
        int board = 0;
        SimProcessor* device = nullptr; // null for a board descriptor
        bool eot = true;
        int eos = 0;
        int timeout_code = 13;
        bool dma = false;
    };

    void refreshConfig();
    std::optional<int> boardIndex(const std::string& name, int& error) const;
    SimProcessor* deviceNamed(const std::string& name, std::optional<int> board) const;
    int openUnit(Unit unit);
    int openUnitsOf(const SimProcessor* device) const;
    Unit* unit(int ud);
    CallResult deviceStatus(const SimProcessor& device, int status) const;

    std::mutex mutex_;
    std::array<std::unique_ptr<SimProcessor>, 2> processors_;
    std::vector<std::optional<Unit>> units_;
};

CallResult failure(int error, int extra_status = 0);

} // namespace fw::gpib_sim
