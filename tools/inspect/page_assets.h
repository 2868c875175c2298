// What the scene page is made of, compiled into the inspector from tools/inspect/page and the
// pinned three.js (the generated page_assets.cpp): nothing is read from disk when a page is
// written, so every copy of the inspector writes the same page.
#pragma once

#include <cstddef>
#include <string_view>

namespace orvex::inspect::page {

// An ES module under the name the page imports it by ("three", "three/addons/...").
struct Module {
    std::string_view name;
    std::string_view source;
};

extern const std::string_view kTemplate; // page.html, with @NAME@ marks for what is filled in
extern const std::string_view kStyle;    // page.css
extern const std::string_view kScript;   // page.js, the page's own module
extern const std::string_view kThreeVersion;
extern const Module kModules[];
extern const size_t kModuleCount;

} // namespace orvex::inspect::page
