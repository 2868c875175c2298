// The inspector's two reports of one Inspection: a readable summary and JSON for scripts.
#pragma once

#include "inspect/inspection.h"

#include <string>

namespace orvex::inspect {

// The summary; with problemsOnly, just the problems and a closing count line.
std::string textReport(const Inspection& inspection, bool problemsOnly);
// The same content as JSON. Keys keep their order from run to run; floats are written as
// the shortest text that reads back to the same value.
std::string jsonReport(const Inspection& inspection);

// The enumerator's name ("Point", "Spot", "Ies", ...; "Unknown(n)" outside the enumeration).
std::string lightKindName(LightKind kind);
// As compilers write diagnostics, so that editors and CI parsers find the place:
// "FOLDER/FILE:OFFSET (0xHEX): error: message" for binary files and
// "FOLDER/FILE:LINE: warning: message" for texts; without a folder, the file name alone.
std::string problemLine(const Problem& problem, const std::u16string& folder = u"");

} // namespace orvex::inspect
