# What a release needs from every build: the version stamp that the programs carry, and, for
# the Windows programs, output that depends on nothing but the sources and the toolchain.

if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "VERSION must hold MAJOR.MINOR.PATCH, not \"${PROJECT_VERSION}\"")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

# orvex_version.h: the version and the commit being built. The commit is asked for at every
# build, since a new commit needs no new configure; the header is rewritten only when its text
# changes, so an unchanged commit rebuilds nothing.
set(ORVEX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(ORVEX_VERSION_HEADER ${ORVEX_GENERATED_DIR}/orvex_version.h)
add_custom_target(orvex_version
  COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DOUTPUT=${ORVEX_VERSION_HEADER} -P ${CMAKE_CURRENT_LIST_DIR}/version-stamp.cmake
  BYPRODUCTS ${ORVEX_VERSION_HEADER}
  VERBATIM)

# A target whose sources include orvex_version.h.
function(orvex_use_version_header target)
  add_dependencies(${target} orvex_version)
  target_include_directories(${target} PRIVATE ${ORVEX_GENERATED_DIR})
endfunction()

# A Windows program whose resource script includes version-info.rc: the version block with
# the file and product version and the commit. The resource compiler reports no dependencies
# of its own, hence the explicit ones.
function(orvex_version_resource target rc_file)
  orvex_use_version_header(${target})
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}/cmake>)
  set_property(SOURCE ${rc_file} APPEND PROPERTY OBJECT_DEPENDS
    ${ORVEX_VERSION_HEADER} ${CMAKE_SOURCE_DIR}/cmake/version-info.rc)
endfunction()

if(WIN32 AND NOT MSVC)
  # No build folder in the programs: file names in messages and debug information are taken
  # relative to the source tree (the build tree, often inside it, is matched first). No link
  # time in the PE headers.
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
