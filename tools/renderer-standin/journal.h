// A renderer that journals every call as one JSON line. The stand-in OrvexApi.dll writes
// the lines to a file; the native tests keep them in memory. Both format them here, so a
// journal means the same thing in every test tier.
#pragma once

#include "core/renderer_api.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::journal {

struct Behaviour {
    bool journaling = true;      // false: calls do nothing but count (benchmarks)
    int32_t startStatus = 0;     // non-zero: StartOrvexRender fails with this status
    int32_t sessionError = 0;    // non-zero: CreateSession fails with this code
    int64_t statusZeroAfter = -1; // >= 0: GetRenderStatus reports 0 after that many polls
};

using Sink = std::function<void(std::string_view line)>;

// The renderer table whose operations journal to the sink.
const RendererApi& journalingApi();
void setSink(Sink sink);
void setBehaviour(const Behaviour& behaviour);
const Behaviour& behaviour();
uint64_t callCount();
void resetCounters();

// 64-bit FNV-1a over bytes, written as 16 hex digits: the mesh array hashes in the journal.
std::string hashHex(const void* data, size_t bytes);
// How the journal writes a float: shortest text that reads back to the same value.
std::string formatFloat(float value);
// UTF-16 text as a JSON string literal.
std::string jsonString(const char16_t* text);

} // namespace orvex::journal
