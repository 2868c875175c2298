# Writes orvex_version.h (cmake -DVERSION=... -DSOURCE_DIR=... -DOUTPUT=... -P version-stamp.cmake):
# the version from VERSION and the commit of the source tree, marked "-modified" when tracked
# files differ from it, or "unknown" outside a git checkout.
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --verify --quiet HEAD
  OUTPUT_VARIABLE commit RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(failed OR commit STREQUAL "")
  set(commit unknown)
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" status --porcelain --untracked-files=no
    OUTPUT_VARIABLE changes ERROR_QUIET)
  if(NOT changes STREQUAL "")
    string(APPEND commit "-modified")
  endif()
endif()

string(REPLACE "." "," numbers "${VERSION}.0")
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT [[
// Made by cmake/version-stamp.cmake from VERSION and the commit being built.
#pragma once
#define ORVEX_VERSION_TEXT "@VERSION@"
#define ORVEX_VERSION_NUMBERS @numbers@
#define ORVEX_COMMIT "@commit@"
#define ORVEX_PRODUCT_VERSION_TEXT "@VERSION@+@commit@"
]] @ONLY)
