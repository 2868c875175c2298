// Texture names as the host writes them, checked before a file is written beside one.
#pragma once

#include <string>

namespace orvex {

// True when a texture name, appended to the texture folder, names a file inside it: not
// rooted or UNC, no drive or colon, no control character, no ".." component.
bool staysInTextureFolder(const std::u16string& name);

} // namespace orvex
