// The renderer session: start-up synchronisation, the session start and the one error
// reporter of the program.
#pragma once

#include <cstdint>

namespace orvex {

class ModelExchange;

enum class ErrorSource : int32_t {
    CONNECTION = 0,
    FILE = 1,
    SESSION = 2,
};

// The access key handed to the renderer with the session request.
constexpr const char* kAccessKey = "h7c2x5j9d1t4f8m3w6k0";

// Reads "_model.alm", starts the renderer, opens the session and sends entry 0. False
// when something failed (the error has been reported).
bool startupSync(ModelExchange& exchange);
bool startSession(ModelExchange& exchange);
void reportError(ErrorSource source, int32_t code);

} // namespace orvex
