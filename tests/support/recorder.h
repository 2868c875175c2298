// The in-process renderer for native tests: the journaling renderer with its lines kept
// in memory.
#pragma once

#include "renderer-standin/journal.h"

#include <string>
#include <vector>

namespace orvex::test {

class Recorder {
public:
    Recorder();
    ~Recorder();
    const RendererApi& api() const { return journal::journalingApi(); }
    std::vector<std::string> lines;
    // The lines whose op is the given one ("BeginNode", ...).
    std::vector<std::string> linesOf(const std::string& op) const;
    // Just the op names, in order.
    std::vector<std::string> ops() const;
    void clear() { lines.clear(); }
};

} // namespace orvex::test
