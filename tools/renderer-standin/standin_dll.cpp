// OrvexApi.dll stand-in: every renderer operation is exported under its own name and
// forwarded to the journaling renderer. The environment configures it on the first call:
//   ORVEX_JOURNAL            file that receives one JSON line per call (none: no journal)
//   ORVEX_FAIL_START=<n>     StartOrvexRender fails with status n
//   ORVEX_FAIL_SESSION=<n>   CreateSession fails with error code n
//   ORVEX_STATUS_ZERO_AFTER=<n>  GetRenderStatus reports 0 after n polls
//   ORVEX_FAULT_IN=<operation>   that operation (as the journal names it, e.g. DeleteNode)
//                                crashes inside this library before it journals anything:
//   ORVEX_FAULT_KIND=<kind>      with an access violation (the default), "stack-overflow"
//                                or "abort"
#include "renderer-standin/journal.h"

#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::optional<std::wstring> variable(const wchar_t* name) {
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, DWORD(std::size(buffer)));
    if (length == 0 || length >= std::size(buffer)) return std::nullopt;
    return std::wstring(buffer, length);
}

std::optional<long long> number(const wchar_t* name) {
    const auto text = variable(name);
    if (!text) return std::nullopt;
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text->c_str(), &end, 10);
    if (end == text->c_str() || *end != L'\0') return std::nullopt;
    return value;
}

// Each line is appended and the file closed again, so that a crash loses no line and the
// journal can be read while the program runs.
void appendLine(const std::wstring& path, std::string_view line) {
    std::FILE* f = _wfopen(path.c_str(), L"ab");
    if (!f) return;
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
    std::fclose(f);
}

std::string faultIn;
std::wstring faultKind;

// Deep enough to exhaust any thread's stack; the test on depth keeps the compiler from
// proving the recursion endless, the use of the result from turning it into a loop.
size_t overflowStack(size_t depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    if (depth == SIZE_MAX) return 0;
    return overflowStack(depth + 1) + static_cast<size_t>(frame[0]);
}

void faultIfAsked(const char* operation) {
    constexpr size_t kPrefix = sizeof("ORVEXAPI_") - 1;
    if (faultIn.empty() || faultIn != operation + kPrefix) return;
    if (faultKind == L"stack-overflow") {
        overflowStack(0);
    } else if (faultKind == L"abort") {
        std::abort();
    } else {
        volatile uintptr_t nowhere = 16; // no page is ever mapped there
        *reinterpret_cast<volatile int*>(nowhere) = 1;
    }
}

void configure() {
    static bool configured = false; // every call comes from the program's one thread
    if (configured) return;
    configured = true;

    orvex::journal::Behaviour behaviour;
    if (auto v = number(L"ORVEX_FAIL_START")) behaviour.startStatus = int32_t(*v);
    if (auto v = number(L"ORVEX_FAIL_SESSION")) behaviour.sessionError = int32_t(*v);
    if (auto v = number(L"ORVEX_STATUS_ZERO_AFTER")) behaviour.statusZeroAfter = *v;
    orvex::journal::setBehaviour(behaviour);
    if (auto v = variable(L"ORVEX_FAULT_IN")) faultIn.assign(v->begin(), v->end()); // operation names are ASCII
    if (auto v = variable(L"ORVEX_FAULT_KIND")) faultKind = *v;

    if (auto path = variable(L"ORVEX_JOURNAL"))
        orvex::journal::setSink([file = *path](std::string_view line) { appendLine(file, line); });
}

} // namespace

#define ORVEX_STANDIN_EXPORT(name, params, args)                 \
    extern "C" __declspec(dllexport) int32_t name params {       \
        configure();                                             \
        faultIfAsked(#name);                                     \
        return orvex::journal::journalingApi().name args;        \
    }
ORVEXAPI_OPERATIONS(ORVEX_STANDIN_EXPORT)
#undef ORVEX_STANDIN_EXPORT
