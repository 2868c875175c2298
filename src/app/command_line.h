// The host's command line: words cut at single blanks, and the word table that chooses the
// first request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// Request codes named on the command line.
enum StartRequest : int32_t {
    kRequestNone = 0,
    kRequestCamera = 1,
    kRequestModelState = 2,
    kRequestLight = 3,
    kRequestViews = 4,
};

// Window messages of the host protocol.
constexpr uint32_t MSG_CAMERA_SYNC = 1025;
constexpr uint32_t MSG_MODEL_STATE_SAVE = 1026;
constexpr uint32_t MSG_MODEL_SYNC = 1027;
constexpr uint32_t MSG_MODEL_SYNC_QUIET = 1028;
constexpr uint32_t MSG_VIEWS_SYNC = 1029;
constexpr uint32_t MSG_HOST_STATE_SAVED = 1137;
constexpr uint32_t CMD_EXIT = 105;

// Colour-only mode, set by the word "colorMode": materials are sent without textures.
extern uint8_t colorMode;

// Every blank ends a word; no quoting, two blanks give an empty word, and a final word
// without a blank behind it counts.
std::vector<std::u16string> splitCommandLine(const std::u16string& commandLine);

struct WordEffect {
    int32_t startRequest = kRequestNone;
    bool setsColorMode = false;
};
// The exact, case-sensitive word table.
WordEffect lookUpWord(const std::u16string& word);
// The message that carries a request (0 for none).
uint32_t requestMessage(int32_t startRequest);

} // namespace orvex
