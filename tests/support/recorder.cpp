#include "support/recorder.h"

namespace orvex::test {

Recorder::Recorder() {
    journal::setBehaviour({});
    journal::resetCounters();
    journal::setSink([this](std::string_view line) { lines.emplace_back(line); });
}

Recorder::~Recorder() { journal::setSink(nullptr); }

std::vector<std::string> Recorder::linesOf(const std::string& op) const {
    std::vector<std::string> out;
    const std::string prefix = "{\"op\":\"" + op + "\"";
    for (const auto& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

std::vector<std::string> Recorder::ops() const {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        auto start = l.find("\"op\":\"") + 6;
        out.push_back(l.substr(start, l.find('"', start) - start));
    }
    return out;
}

} // namespace orvex::test
