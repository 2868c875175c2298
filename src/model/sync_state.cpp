// The sync-state file "_mod.sync": the project, every solid sent with its timestamp and every
// material with its timestamp and index, as 8-bit text with CR LF line ends, for the host.
#include "model/change_tracking.h"

#include "app/data_folder.h"
#include "model/model_exchange.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>

namespace orvex {

namespace {

constexpr size_t kLongestNumber = 11; // "-2147483648"
constexpr size_t kLongestSolidLine = 7 + kLongestNumber + 14 + kLongestNumber + 3;
constexpr size_t kLongestMaterialTail = 14 + kLongestNumber + 13 + kLongestNumber + 3;
constexpr size_t kFileBuffer = 1024 * 1024;
// From this many solids on, a helper thread formats the later half of them while this thread
// formats and writes the earlier half: walking a large table and formatting its lines costs
// more than writing them, and two cores halve it. Below, a thread costs more than it saves.
constexpr size_t kSolidsForHelper = 16384;

// Text built in a buffer. With a file, the buffer is written out whenever it runs full;
// without one, it grows and keeps everything.
class SyncText {
public:
    explicit SyncText(std::FILE* file, size_t capacity) : file_(file) { grow(capacity); }
    ~SyncText() { flush(); }
    SyncText(const SyncText&) = delete;
    SyncText& operator=(const SyncText&) = delete;

    // Room for n more bytes at the returned position; they count once commit is given the
    // end of what was written there.
    char* room(size_t n) {
        if (capacity_ - used_ < n) makeRoom(n);
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
    // Bytes made elsewhere, written after everything so far.
    void append(const char* bytes, size_t n) {
        if (file_ && n >= capacity_) {
            flush();
            std::fwrite(bytes, 1, n, file_);
            return;
        }
        std::memcpy(room(n), bytes, n);
        used_ += n;
    }
    const char* data() const { return buffer_.get(); }
    size_t size() const { return used_; }

private:
    void makeRoom(size_t n) {
        if (file_) flush();
        if (capacity_ - used_ < n) grow(std::max(capacity_ * 2, used_ + n));
    }
    void grow(size_t capacity) {
        std::unique_ptr<char[]> bigger(new char[capacity]);
        if (used_) std::memcpy(bigger.get(), buffer_.get(), used_);
        buffer_ = std::move(bigger);
        capacity_ = capacity;
    }
    void flush() {
        if (file_ && used_) std::fwrite(buffer_.get(), 1, used_, file_);
        if (file_) used_ = 0;
    }

    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t used_ = 0;
};

// Copies a string literal without its terminator.
template <size_t N>
char* put(char* at, const char (&literal)[N]) {
    std::memcpy(at, literal, N - 1);
    return at + N - 1;
}

// A signed decimal, as "%d" writes it.
char* putNumber(char* at, int32_t value) {
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0u - magnitude;
    }
    char digits[10];
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n != 0) *at++ = digits[--n];
    return at;
}

using RunIterator = std::vector<SolidTable::Run>::const_iterator;

void putSolidLines(SyncText& text, RunIterator from, RunIterator to) {
    for (; from != to; ++from) {
        for (const SolidState& state : *from) {
            char* p = text.room(kLongestSolidLine);
            p = put(p, "ID3D: [");
            p = putNumber(p, static_cast<int32_t>(state.id));
            p = put(p, "] TimeStamp: [");
            p = putNumber(p, static_cast<int32_t>(state.timestamp));
            text.commit(put(p, "]\r\n"));
        }
    }
}

void putSyncState(std::FILE* file, const ModelExchange& ex) {
    SyncText out(file, kFileBuffer);
    out.commit(put(out.room(16), "SourceProject: ["));
    out.latin1(ex.sourceProject);
    out.commit(put(out.room(3), "]\r\n"));

    // With many solids, the later half of the runs is formatted by a helper.
    const std::vector<SolidTable::Run>& runs = ex.solidTable.runs();
    RunIterator split = ex.solidTable.size() >= kSolidsForHelper ? runs.begin() + std::ptrdiff_t(runs.size() / 2)
                                                                 : runs.end();
    std::unique_ptr<SyncText> later;
    std::jthread helper; // joined on every way out
    bool helperFailed = false;
    if (split != runs.end()) {
        try {
            later = std::make_unique<SyncText>(nullptr, ex.solidTable.size() / 2 * kLongestSolidLine);
            helper = std::jthread([&] {
                try {
                    putSolidLines(*later, split, runs.end());
                } catch (const std::exception&) { // out of memory: this thread does them
                    helperFailed = true;
                }
            });
        } catch (const std::exception&) { // no memory or no thread: this thread does them
            split = runs.end();
        }
    }
    putSolidLines(out, runs.begin(), split);
    if (helper.joinable()) {
        helper.join();
        if (helperFailed) putSolidLines(out, split, runs.end());
        else out.append(later->data(), later->size());
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
    std::FILE* f = openFile(dataFilePath(u"_mod.sync"), "wb");
    if (!f) return;
    try {
        putSyncState(f, ex);
    } catch (const std::exception&) {
        // No memory for the text: the file stays short, as when the disk runs full.
    }
    std::fclose(f);
}

} // namespace orvex
