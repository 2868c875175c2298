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
                                        [](uint32_t value, const SolidRun& run) { return value < run.solids_.front().id; });
    return size_t(after - runs_.begin()) - 1;
}

void SolidTable::record(uint32_t id, uint32_t timestamp) {
    // Start-up lists solids in ascending id as a rule: the next one goes at the end.
    if (runs_.empty() || runs_.back().solids_.back().id < id) {
        if (runs_.empty() || runs_.back().solids_.size() >= kRunLength) {
            runs_.emplace_back();
            runs_.back().solids_.reserve(kRunLength);
        }
        SolidRun& last = runs_.back();
        last.solids_.push_back({id, timestamp});
        last.derivedText.clear();
        ++size_;
        return;
    }
    size_t r = runFor(id);
    std::vector<SolidState>* solids = &runs_[r].solids_;
    auto at = std::lower_bound(solids->begin(), solids->end(), id, idBelow);
    if (at != solids->end() && at->id == id) {
        if (at->timestamp != timestamp) runs_[r].derivedText.clear();
        at->timestamp = timestamp;
        return;
    }
    if (solids->size() >= kRunLength) {
        // Split the full run in two halves and insert into the half the id belongs to.
        const size_t half = solids->size() / 2;
        SolidRun upper;
        upper.solids_.assign(solids->begin() + std::ptrdiff_t(half), solids->end());
        solids->resize(half);
        runs_[r].derivedText.clear();
        runs_.insert(runs_.begin() + std::ptrdiff_t(r) + 1, std::move(upper));
        if (id > runs_[r + 1].solids_.front().id) ++r;
        solids = &runs_[r].solids_;
        at = std::lower_bound(solids->begin(), solids->end(), id, idBelow);
    }
    solids->insert(at, {id, timestamp});
    runs_[r].derivedText.clear();
    ++size_;
}

bool SolidTable::erase(uint32_t id) {
    if (runs_.empty()) return false;
    const size_t r = runFor(id);
    std::vector<SolidState>& solids = runs_[r].solids_;
    const auto at = std::lower_bound(solids.begin(), solids.end(), id, idBelow);
    if (at == solids.end() || at->id != id) return false;
    solids.erase(at);
    runs_[r].derivedText.clear();
    if (solids.empty()) runs_.erase(runs_.begin() + std::ptrdiff_t(r));
    --size_;
    return true;
}

void SolidTable::clear() {
    runs_.clear();
    size_ = 0;
}

const SolidState* SolidTable::find(uint32_t id) const {
    if (runs_.empty()) return nullptr;
    const std::vector<SolidState>& solids = runs_[runFor(id)].solids_;
    const auto at = std::lower_bound(solids.begin(), solids.end(), id, idBelow);
    return at != solids.end() && at->id == id ? &*at : nullptr;
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
