// What a test needs to know of a minidump file: that it is one, where and why the crash
// happened and which modules were loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::minidump {

struct Module {
    std::string name; // file name only, as loaded
    uint64_t base = 0;
    uint32_t size = 0;
};

struct Summary {
    bool signature = false; // starts with "MDMP"
    std::optional<uint32_t> exceptionCode;
    uint64_t exceptionAddress = 0;
    std::vector<Module> modules;
    bool fullMemory = false; // has the stream a whole-memory dump writes
};

// Reads the streams through bounds-checked offsets: a damaged file gives what could be read.
Summary summarize(const std::string& bytes);
// The module whose image holds the address, or null.
const Module* moduleAt(const Summary& summary, uint64_t address);

} // namespace orvex::minidump
