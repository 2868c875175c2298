// The inspector's command line: options in one table, so that an option is one line there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::inspect {

// The same in every mode.
enum ExitStatus : int {
    kExitClean = 0,    // nothing wrong
    kExitProblems = 1, // problems found
    kExitFailure = 2,  // usage error, nothing readable to inspect, or output not written
};

struct Options {
    std::u16string path;
    std::optional<std::u16string> gltf;
    std::optional<std::u16string> html;
    uint64_t meshBudget = 25'000'000;  // bytes of preview meshes the page embeds; past it, boxes
    std::u16string meshBudgetText;     // as given, in megabytes
    bool validate = false;
    bool json = false;
    bool summary = false; // the readable summary even when a preview or page is written
    bool help = false;
    bool version = false;
};

struct ParsedCommandLine {
    Options options;
    std::string error; // not empty: what was wrong (a usage error)
};

// GNU-style: "--name VALUE" or "--name=VALUE", "--" ends the options, one path.
ParsedCommandLine parseCommandLine(const std::vector<std::u16string>& args);

extern const char* const kUsage;

} // namespace orvex::inspect
