#include "app/command_line.h"

namespace orvex {

uint8_t colorMode = 0;

std::vector<std::u16string> splitCommandLine(const std::u16string& commandLine) {
    std::vector<std::u16string> words;
    std::u16string word;
    bool pending = false;
    for (char16_t c : commandLine) {
        if (c == u' ') {
            words.push_back(word);
            word.clear();
            pending = false;
        } else {
            word += c;
            pending = true;
        }
    }
    if (pending) words.push_back(word);
    return words;
}

WordEffect lookUpWord(const std::u16string& word) {
    if (word == u"cameraSync") return {kRequestCamera, false};
    if (word == u"ModelSync") return {kRequestModelState, false};
    if (word == u"lightSync") return {kRequestLight, false};
    if (word == u"viewsSync") return {kRequestViews, false};
    if (word == u"colorMode") return {kRequestNone, true};
    return {};
}

uint32_t requestMessage(int32_t startRequest) {
    switch (startRequest) {
    case kRequestCamera: return MSG_CAMERA_SYNC;
    case kRequestModelState: return MSG_MODEL_STATE_SAVE;
    case kRequestLight: return MSG_MODEL_SYNC_QUIET;
    case kRequestViews: return MSG_VIEWS_SYNC;
    default: return 0;
    }
}

} // namespace orvex
