# Writes the C++ source that carries the scene page: its template, style and script from this
# folder, and the three.js modules it imports, each under the name the page imports it by.
#   cmake -DPAGE_DIR=... -DTHREE_DIR=.../node_modules/three -DOUTPUT=page_assets.cpp -P embed.cmake
#
cmake_minimum_required(VERSION 3.25)

# A file:// page cannot fetch its modules, so they travel in the page as data: URLs behind an
# import map. A data: URL has no folder to resolve "./three.core.js" against, so every relative
# import is rewritten here to the import-map name of the module it points at.
if(NOT EXISTS "${THREE_DIR}/package.json")
  message(FATAL_ERROR "three.js is not installed in ${THREE_DIR}: run scripts/setup.sh (npm ci)")
endif()

# Files under THREE_DIR, in the order they are listed; the page's import names follow from
# their paths: build/three.module.js is "three", examples/jsm/X is "three/addons/X", the rest
# "three/<path>".
set(modules
  build/three.core.js build/three.module.js
  examples/jsm/utils/BufferGeometryUtils.js examples/jsm/utils/SkeletonUtils.js
  examples/jsm/loaders/GLTFLoader.js examples/jsm/controls/OrbitControls.js)

function(import_name path out)
  if(path STREQUAL "build/three.module.js")
    set(name "three")
  elseif(path MATCHES "^examples/jsm/(.*)$")
    set(name "three/addons/${CMAKE_MATCH_1}")
  else()
    set(name "three/${path}")
  endif()
  set(${out} "${name}" PARENT_SCOPE)
endfunction()

set(delimiter "orvex_asset")
function(literal text out)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "an embedded file holds the raw string delimiter )${delimiter}\"")
  endif()
  set(${out} "R\"${delimiter}(${text})${delimiter}\"" PARENT_SCOPE)
endfunction()

set(entries "")
foreach(path IN LISTS modules)
  file(READ "${THREE_DIR}/${path}" source)
  get_filename_component(folder "${path}" DIRECTORY)
  string(REGEX MATCHALL "from '\\.\\.?/[^']+'" relative "${source}")
  list(REMOVE_DUPLICATES relative)
  foreach(clause IN LISTS relative)
    string(REGEX REPLACE "^from '(.*)'$" "\\1" specifier "${clause}")
    cmake_path(APPEND folder "${specifier}" OUTPUT_VARIABLE target)
    cmake_path(NORMAL_PATH target)
    if(NOT target IN_LIST modules)
      message(FATAL_ERROR "${path} imports ${specifier} (${target}), which is not embedded")
    endif()
    import_name("${target}" name)
    string(REPLACE "${clause}" "from '${name}'" source "${source}")
  endforeach()
  import_name("${path}" name)
  literal("${source}" text)
  string(APPEND entries "    {\"${name}\", ${text}},\n")
endforeach()

foreach(part template style script)
  set(file_template page.html)
  set(file_style page.css)
  set(file_script page.js)
  file(READ "${PAGE_DIR}/${file_${part}}" source)
  literal("${source}" text_${part})
endforeach()

file(READ "${THREE_DIR}/package.json" package)
string(JSON three_version GET "${package}" version)

set(content "// Generated at build time from tools/inspect/page and three.js ${three_version}; not edited by hand.
#include \"inspect/page_assets.h\"

namespace orvex::inspect::page {

const std::string_view kTemplate = ${text_template};
const std::string_view kStyle = ${text_style};
const std::string_view kScript = ${text_script};
const std::string_view kThreeVersion = \"${three_version}\";
const Module kModules[] = {
${entries}};
const size_t kModuleCount = sizeof(kModules) / sizeof(kModules[0]);

} // namespace orvex::inspect::page
")
# Rewritten only when it changes, so that an unchanged page compiles nothing.
file(WRITE "${OUTPUT}.new" "${content}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
