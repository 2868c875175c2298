// The solids sent to the renderer and the timestamp each was last sent with, in ascending
// id (unsigned), which is the order the sync-state file lists them in.
//
// A scene may hold hundreds of thousands of solids, and start-up records them one after the
// other while the sync-state file walks them all, so the table is kept flat: runs of at most
// kRunLength entries in ascending order, one after the other. A solid past the last one is
// appended; anywhere else it is inserted into its run, which splits when full, so inserting
// in any order, finding and erasing cost a search and a short move, never the whole table.
// Each run also holds text derived from it (the sync-state file keeps its lines there), which
// the table drops whenever the run changes, so that a writer formats only what changed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

struct SolidState {
    uint32_t id = 0;
    uint32_t timestamp = 0;
};

class SolidRun {
public:
    const std::vector<SolidState>& solids() const { return solids_; }
    // Text a writer derived from these solids; emptied by the table whenever they change.
    std::string derivedText;

private:
    friend class SolidTable;
    std::vector<SolidState> solids_;
};

class SolidTable {
public:
    static constexpr size_t kRunLength = 1024;

    // The solid is sent with this timestamp: a new entry, or the newest timestamp of its entry.
    void record(uint32_t id, uint32_t timestamp);
    // Removes the solid's entry; false when there is none.
    bool erase(uint32_t id);
    void clear();

    // The solid's entry, or null.
    const SolidState* find(uint32_t id) const;
    bool contains(uint32_t id) const { return find(id) != nullptr; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // The entries in ascending id, run after run; no run is empty. The runs themselves stay
    // the table's: only their derived text may be changed through them.
    std::span<const SolidRun> runs() const { return runs_; }
    std::span<SolidRun> runs() { return runs_; }
    template <class Visit>
    void forEach(Visit&& visit) const {
        for (const SolidRun& run : runs_)
            for (const SolidState& state : run.solids_) visit(state);
    }

private:
    // The run that holds id or would hold it: the last one starting at or below id (the
    // first run when id lies below every run). runs_ must not be empty.
    size_t runFor(uint32_t id) const;

    std::vector<SolidRun> runs_;
    size_t size_ = 0;
};

// A solid's node name, "Solid_" and the id as a signed 32-bit decimal, made on demand from
// the id in storage of its own (no allocation).
class SolidNodeName {
public:
    explicit SolidNodeName(uint32_t id);
    const char16_t* c_str() const { return units_.data(); }
    std::u16string_view view() const { return {units_.data(), length_}; }

private:
    std::array<char16_t, 18> units_{}; // "Solid_-2147483648" and a terminating zero
    size_t length_ = 0;
};

} // namespace orvex
