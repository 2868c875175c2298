// Checks of the data folder's text files against what the program's parsers take from them.
// The parsers never fail (an unknown key, a value that is not a number or a missing key just
// leaves a default behind), so without these checks a broken file passes as clean.
#pragma once

#include "inspect/inspection.h"

#include <string>
#include <vector>

namespace orvex::inspect {

// "camera.cam": a camera block. "Views.cam": a views block whose views are camera blocks.
// Problems carry the line numbers of the text as readTextFile gives it.
void checkCameraFile(const std::u16string& file, const std::u16string& text, std::vector<Problem>& problems);
void checkViewsFile(const std::u16string& file, const std::u16string& text, std::vector<Problem>& problems);

} // namespace orvex::inspect
