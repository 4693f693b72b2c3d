#pragma once

#include <memory>

#include "imagers/imager_list.h"
#include "imagers/port_list.h"
#include "support/user_prompt.h"

namespace fw::test {

// Ethernet, two serial ports, the GPIB ports (unless no GPIB driver loads) and one IMAQ
// interface.
inline std::unique_ptr<TPortList> MakePorts(bool gpib_available = true)
{
    TPortList::Sources sources;
    sources.serial_ports = { "ttyS0", "ttyUSB0" };
    sources.gpib_available = gpib_available;
    sources.imaq_interfaces = { "img0" };
    return std::make_unique<TPortList>(std::move(sources));
}

// A scripted prompt installed for the life of a test.
class PromptScope {
public:
    PromptScope() { installPrompt(&prompt_); }
    ~PromptScope() { installPrompt(nullptr); }
    PromptScope(const PromptScope&) = delete;
    PromptScope& operator=(const PromptScope&) = delete;

    ScriptedPrompt& operator*() { return prompt_; }
    ScriptedPrompt* operator->() { return &prompt_; }

private:
    ScriptedPrompt prompt_;
};

} // namespace fw::test
