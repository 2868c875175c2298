// What every fuzz target shares: a private data folder for this process, the in-process
// journaling renderer, and the two ways fuzz bytes become block text.
#pragma once

#include "model/model_exchange.h"
#include "renderer-standin/journal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::fuzz {

// Sets up the process once (idempotent): a fresh folder (in /dev/shm when there is one),
// removed at exit, is the data folder of the program; the renderer journals every call
// (formatting its arguments, as a renderer reads them) into no sink.
void setUp();
// Switches the journal to counting calls only (for the binary targets).
void countCallsOnly();
// Replaces a file of the data folder with the given bytes; gives its path.
std::string writeDataFile(const std::string& name, const uint8_t* data, size_t size);
// The bytes of a container made of a header and a tail, for the program to read from memory;
// headerStart, when given, replaces the header's first bytes. They lie in one buffer with
// nothing readable behind them, so that a read past their end is reported by the sanitizer;
// the header is copied only when it changes (by identity), so each run copies just its tail
// and header start. Valid until the next call.
std::string_view containerBytes(const std::string& header, std::string_view tail, std::string_view headerStart = {});

// The container target's inputs leave out the header's entry slots from the third on (nearly
// all of its 208,644 bytes): the target reads entries 0 and 1 only, and every slot is read by
// the same code, so a fuzzer mutating those zeros wastes its time and a kept input its space.
// After its first byte, an input is the header up to here, then the blocks; the slots left out
// read as zeros.
constexpr size_t kContainerHeaderKept = layout::kEntryTableAt + 2 * layout::kEntrySize;
// Removes the log file, so that a long run does not grow it past any bound of its own.
void removeLog();

// Little-endian byte pairs as UTF-16 units (an odd last byte is dropped), the way texts
// come out of the model container.
std::u16string unitsFromPairs(const uint8_t* data, size_t size);
// Each byte as one unit, the way the camera and views files are read.
std::u16string unitsFromBytes(const uint8_t* data, size_t size);

// The renderer table the text targets hand to ModelExchange: every call journals a line.
inline const RendererApi& rendererApi() { return journal::journalingApi(); }
// The renderer of the binary targets: calls are only counted (a journal line per mesh
// would cost more than reading the block), but every mesh is read the way a renderer reads
// it (its label to the terminator, firstCount position values, indexCount indices), so a
// count that outruns its array is still reported by the sanitizer.
const RendererApi& meshReadingApi();
// The next mesh the renderer receives first cuts the file at path to length bytes (when it is
// longer), as the host rewriting a container while the program reads it would: what the
// program reads of it from then on is shorter than it measured. Disarmed by InputExchange.
void cutAtNextMesh(const std::string& path, uint64_t length);
// The exchange a binary target reads one input into: while it lives, the one exchange of the
// process, as a new exchange on the mesh-reading renderer would be, except for the storage
// the program itself keeps from sync to sync (its part arrays and sync-state buffer). A fresh
// exchange per input would reserve and release that storage every time, which cost most of
// a run. When it ends, the exchange is cleared again as its end would leave it (the session
// ended, the tables freed), so that what an input allocated is freed within its run:
// libFuzzer takes memory still held after a run for a possible leak and checks, at a cost.
class InputExchange {
public:
    InputExchange();
    ~InputExchange();
    InputExchange(const InputExchange&) = delete;
    InputExchange& operator=(const InputExchange&) = delete;
    ModelExchange& operator*() { return exchange_; }

private:
    ModelExchange& exchange_;
};
constexpr RendererHandle kSessionHandle = 0x5E55; // what the journaling CreateSession gives

} // namespace orvex::fuzz
