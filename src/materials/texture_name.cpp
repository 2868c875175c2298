#include "materials/texture_name.h"

#include <string_view>

namespace orvex {

namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A component made of nothing but full stops and blanks that holds "..": Windows drops
// trailing dots and blanks from names, so ".. " or "..." may still lead upwards.
bool isParentComponent(std::u16string_view component) {
    if (component.find(u"..") == std::u16string_view::npos) return false;
    for (char16_t c : component)
        if (c != u'.' && c != u' ') return false;
    return true;
}

} // namespace

bool staysInTextureFolder(const std::u16string& name) {
    if (name.empty() || isSeparator(name.front())) return false; // rooted, or a UNC "\\" path
    size_t componentStart = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size()) {
            const char16_t c = name[i];
            // A colon is a drive ("X:") or a stream of another file; control characters
            // (a zero unit above all, which ends the path early) have no place in a name.
            if (c == u':' || c < 0x20) return false;
            if (!isSeparator(c)) continue;
        }
        if (isParentComponent(std::u16string_view(name).substr(componentStart, i - componentStart)))
            return false;
        componentStart = i + 1;
    }
    return true;
}

} // namespace orvex
