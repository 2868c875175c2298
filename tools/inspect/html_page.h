// The scene page: one self-contained HTML file that shows a data folder in a browser opened
// from disk (no server, no network). It carries the inspector's JSON report for its tables and
// problem list, and the glTF preview (base64) for its 3D view, drawn with three.js.
#pragma once

#include "inspect/inspection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::inspect {

struct HtmlPageResult {
    bool written = false;
    uint64_t meshBytes = 0; // what the preview's meshes would take
    bool boxed = false;     // over the budget: bounding boxes drawn instead
    uint64_t pageBytes = 0;
    std::vector<std::string> notes; // the preview's notes
};

// What the preview's meshes would take, before anything is exported.
uint64_t previewMeshBytes(const Inspection& inspection);

// Writes the page to path (errno tells why when written is false). The inspection is taken
// whole: over the budget its parts are replaced by boxes once the tables' JSON is written.
// Past meshBudget bytes of mesh data in the preview (its flat-shaded vertices and indices),
// each solid is drawn as its bounding box: a larger page opens slowly, and past about 500 MB
// of base64 a browser cannot hold the text at all.
HtmlPageResult writeHtmlPage(Inspection inspection, const std::u16string& path, uint64_t meshBudget);

} // namespace orvex::inspect
