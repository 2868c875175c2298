// A minidump's header and stream directory, the module list and the exception stream, read
// with the documented layouts of <dbghelp.h>.
#include "minidump_summary.h"

#include <windows.h>

#include <dbghelp.h>

#include <cstring>

namespace orvex::minidump {

namespace {

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    template <typename T>
    std::optional<T> at(uint64_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return std::nullopt;
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;
    }
    // A MINIDUMP_STRING: its byte length, then that many bytes of UTF-16.
    std::string string(uint64_t offset) const {
        const auto length = at<ULONG32>(offset);
        if (!length || offset + 4 + *length > bytes_.size()) return {};
        std::string text;
        for (ULONG32 i = 0; i + 1 < *length; i += 2) {
            const auto unit = static_cast<uint16_t>(static_cast<uint8_t>(bytes_[offset + 4 + i]) |
                                                    static_cast<uint8_t>(bytes_[offset + 5 + i]) << 8);
            text += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        return text;
    }

private:
    const std::string& bytes_;
};

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

Summary summarize(const std::string& bytes) {
    Summary summary;
    const Reader read(bytes);
    const auto header = read.at<MINIDUMP_HEADER>(0);
    if (!header) return summary;
    summary.signature = bytes.compare(0, 4, "MDMP") == 0;
    for (ULONG32 i = 0; i < header->NumberOfStreams; ++i) {
        const auto entry = read.at<MINIDUMP_DIRECTORY>(header->StreamDirectoryRva + uint64_t(i) * sizeof(MINIDUMP_DIRECTORY));
        if (!entry) break;
        const uint64_t rva = entry->Location.Rva;
        switch (entry->StreamType) {
        case ModuleListStream: {
            const auto count = read.at<ULONG32>(rva);
            for (ULONG32 m = 0; count && m < *count; ++m) {
                const auto module = read.at<MINIDUMP_MODULE>(rva + 4 + uint64_t(m) * sizeof(MINIDUMP_MODULE));
                if (!module) break;
                summary.modules.push_back({fileName(read.string(module->ModuleNameRva)), module->BaseOfImage,
                                           module->SizeOfImage});
            }
            break;
        }
        case ExceptionStream:
            if (const auto exception = read.at<MINIDUMP_EXCEPTION_STREAM>(rva)) {
                summary.exceptionCode = exception->ExceptionRecord.ExceptionCode;
                summary.exceptionAddress = exception->ExceptionRecord.ExceptionAddress;
            }
            break;
        case Memory64ListStream:
            summary.fullMemory = true;
            break;
        default:
            break;
        }
    }
    return summary;
}

const Module* moduleAt(const Summary& summary, uint64_t address) {
    for (const Module& module : summary.modules)
        if (address >= module.base && address - module.base < module.size) return &module;
    return nullptr;
}

} // namespace orvex::minidump
