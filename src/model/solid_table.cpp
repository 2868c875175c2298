#include "model/solid_table.h"

#include <algorithm>
#include <charconv>

namespace orvex {

namespace {

bool idBelow(const SolidState& state, uint32_t id) { return state.id < id; }

} // namespace

size_t SolidTable::runFor(uint32_t id) const {
    // The first run starting above id; the one before it is the candidate.
    const auto after = std::upper_bound(runs_.begin() + 1, runs_.end(), id,
                                        [](uint32_t value, const Run& run) { return value < run.front().id; });
    return size_t(after - runs_.begin()) - 1;
}

void SolidTable::record(uint32_t id, uint32_t timestamp) {
    // Start-up lists solids in ascending id as a rule: the next one goes at the end.
    if (runs_.empty() || runs_.back().back().id < id) {
        if (runs_.empty() || runs_.back().size() >= kRunLength) {
            runs_.emplace_back();
            runs_.back().reserve(kRunLength);
        }
        runs_.back().push_back({id, timestamp});
        ++size_;
        return;
    }
    size_t r = runFor(id);
    Run* run = &runs_[r];
    auto at = std::lower_bound(run->begin(), run->end(), id, idBelow);
    if (at != run->end() && at->id == id) {
        at->timestamp = timestamp;
        return;
    }
    if (run->size() >= kRunLength) {
        // Split the full run in two halves and insert into the half the id belongs to.
        const size_t half = run->size() / 2;
        Run upper(run->begin() + std::ptrdiff_t(half), run->end());
        run->resize(half);
        runs_.insert(runs_.begin() + std::ptrdiff_t(r) + 1, std::move(upper));
        if (id > runs_[r + 1].front().id) ++r;
        run = &runs_[r];
        at = std::lower_bound(run->begin(), run->end(), id, idBelow);
    }
    run->insert(at, {id, timestamp});
    ++size_;
}

bool SolidTable::erase(uint32_t id) {
    if (runs_.empty()) return false;
    const size_t r = runFor(id);
    Run& run = runs_[r];
    const auto at = std::lower_bound(run.begin(), run.end(), id, idBelow);
    if (at == run.end() || at->id != id) return false;
    run.erase(at);
    if (run.empty()) runs_.erase(runs_.begin() + std::ptrdiff_t(r));
    --size_;
    return true;
}

void SolidTable::clear() {
    runs_.clear();
    size_ = 0;
}

const SolidState* SolidTable::find(uint32_t id) const {
    if (runs_.empty()) return nullptr;
    const Run& run = runs_[runFor(id)];
    const auto at = std::lower_bound(run.begin(), run.end(), id, idBelow);
    return at != run.end() && at->id == id ? &*at : nullptr;
}

SolidNodeName::SolidNodeName(uint32_t id) {
    constexpr std::u16string_view kPrefix = u"Solid_";
    char digits[11];
    const char* const end = std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(id)).ptr;
    char16_t* at = std::copy(kPrefix.begin(), kPrefix.end(), units_.begin());
    at = std::copy(static_cast<const char*>(digits), end, at); // ASCII widens unit for unit
    length_ = size_t(at - units_.data());
}

} // namespace orvex
