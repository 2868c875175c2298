// The sync-state file "_mod.sync": the project, every solid sent with its timestamp and every
// material with its timestamp and index, as 8-bit text with CR LF line ends, for the host.
#include "model/change_tracking.h"

#include "core/data_folder.h"
#include "model/model_exchange.h"
#include "platform/files.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace orvex {

namespace {

constexpr size_t kLongestNumber = 11; // "-2147483648"
constexpr size_t kLongestSolidLine = 7 + kLongestNumber + 14 + kLongestNumber + 3;
constexpr size_t kLongestMaterialTail = 14 + kLongestNumber + 13 + kLongestNumber + 3;
constexpr size_t kFileBuffer = 256 * 1024;

// Text on its way to the file, gathered in a buffer so that the file is written in few large
// pieces (every write costs a system call). The buffer is the exchange's, kept from write to
// write: fresh pages at every write would cost their first touch every time. A quarter of a
// megabyte makes a few writes of a large file and keeps those pages few in a new process.
class SyncText {
public:
    SyncText(File& file, std::unique_ptr<char[]>& buffer) : file_(file), buffer_(buffer) {
        if (!buffer_) buffer_.reset(new char[kFileBuffer]);
    }
    ~SyncText() { flush(); }
    SyncText(const SyncText&) = delete;
    SyncText& operator=(const SyncText&) = delete;

    // Room for n more bytes (a line's worth at most) at the returned position; they count
    // once commit is given the end of what was written there.
    char* room(size_t n) {
        if (kFileBuffer - used_ < n) flush();
        return buffer_.get() + used_;
    }
    void commit(const char* end) { used_ = size_t(end - buffer_.get()); }

    // UTF-16 as 8-bit text: units up to 255 keep their value, anything above becomes '?'.
    void latin1(std::u16string_view text) {
        for (char16_t c : text) {
            *room(1) = c <= 0xFF ? static_cast<char>(c) : '?';
            ++used_;
        }
    }
    // Bytes made elsewhere.
    void append(std::string_view bytes) {
        if (bytes.size() > kFileBuffer - used_) flush();
        if (bytes.size() >= kFileBuffer) {
            file_.write(bytes.data(), bytes.size());
            return;
        }
        std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }

private:
    void flush() {
        if (used_) file_.write(buffer_.get(), used_);
        used_ = 0;
    }

    File& file_;
    std::unique_ptr<char[]>& buffer_;
    size_t used_ = 0;
};

// Copies a string literal without its terminator.
template <size_t N>
char* put(char* at, const char (&literal)[N]) {
    std::memcpy(at, literal, N - 1);
    return at + N - 1;
}

// A signed decimal, as "%d" writes it.
char* putNumber(char* at, int32_t value) { return std::to_chars(at, at + kLongestNumber, value).ptr; }

// One solid's line.
char* putSolidLine(char* at, const SolidState& state) {
    at = put(at, "ID3D: [");
    at = putNumber(at, static_cast<int32_t>(state.id));
    at = put(at, "] TimeStamp: [");
    at = putNumber(at, static_cast<int32_t>(state.timestamp));
    return put(at, "]\r\n");
}

// The lines of a run: kept with the run, and formatted again only when the run changed since
// (a sync changes a few solids, and writing the lines of the others again is only copying).
// They are formatted in scratch and kept at their exact length, so that the kept lines touch
// no more memory than they fill.
std::string_view solidLines(SolidRun& run, std::string& scratch) {
    std::string& text = run.derivedText;
    if (text.empty()) {
        const size_t longest = run.solids().size() * kLongestSolidLine;
        if (scratch.size() < longest) scratch.resize(longest);
        char* p = scratch.data();
        for (const SolidState& state : run.solids()) p = putSolidLine(p, state);
        text.assign(scratch.data(), size_t(p - scratch.data()));
    }
    return text;
}

void putSyncState(File& file, ModelExchange& ex) {
    // The exchange's first write (it has no buffer yet), the start-up's over every solid, keeps
    // no lines: the pages they would fill are fresh in a new process, and their first touch
    // costs more than formatting them again at the first sync that follows.
    const bool keepLines = ex.syncStateBuffer != nullptr;
    SyncText out(file, ex.syncStateBuffer);
    std::string scratch;
    out.commit(put(out.room(16), "SourceProject: ["));
    out.latin1(ex.sourceProject);
    out.commit(put(out.room(3), "]\r\n"));
    for (SolidRun& run : ex.solidTable.runs()) {
        if (keepLines) {
            out.append(solidLines(run, scratch));
            continue;
        }
        for (const SolidState& state : run.solids()) out.commit(putSolidLine(out.room(kLongestSolidLine), state));
    }

    for (const auto& [name, material] : ex.materialTable) {
        out.commit(put(out.room(11), "Material: ["));
        out.latin1(name);
        char* p = out.room(kLongestMaterialTail);
        p = put(p, "] TimeStamp: [");
        p = putNumber(p, material.nTimeID);
        p = put(p, "] MatIndex: [");
        p = putNumber(p, material._nMatDescIndex);
        out.commit(put(p, "]\r\n"));
    }
}

} // namespace

void writeSyncState(ModelExchange& ex) {
    File f(dataFilePath(u"_mod.sync"), "wb");
    if (!f) return;
    try {
        putSyncState(f, ex);
    } catch (const std::exception&) {
        // No memory for the text: the file stays short, as when the disk runs full.
    }
}

} // namespace orvex
