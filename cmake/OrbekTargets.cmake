# Warnings are shown on every target of ours, and are errors only where the
# build asks for it (ORBEK_WERROR: on in CI and the developers' build, off for
# packagers, whose compilers and flags differ).
option(ORBEK_WERROR "Treat compiler warnings as errors" OFF)

function(orbek_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(ORBEK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A library of ours: sources, warnings, and the repository root on the include
# path so headers are named by their folder ("meter/MeterRecord.h").
function(orbek_library target)
  add_library(${target} STATIC ${ARGN})
  orbek_warnings(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# A pkg-config library that `target` loads when it first needs it (see
# storage/LazyLibrary.h) rather than links: its headers, its SONAME as
# ORBEK_<PREFIX>_SONAME, and its Debian package in ORBEK_LOADED_PACKAGES, as
# dpkg-shlibdeps cannot see a library that is not linked.
function(orbek_loaded_library target prefix)
  list(GET ${prefix}_LIBRARIES 0 name)
  list(FILTER ${prefix}_LINK_LIBRARIES INCLUDE REGEX "/lib${name}\\.so$")
  if(NOT ${prefix}_LINK_LIBRARIES)
    message(FATAL_ERROR "lib${name}.so not found for ${prefix}")
  endif()
  list(GET ${prefix}_LINK_LIBRARIES 0 file)
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${file} OUTPUT_VARIABLE dynamic
                  COMMAND_ERROR_IS_FATAL ANY)
  if(NOT dynamic MATCHES "SONAME +([^\n ]+)")
    message(FATAL_ERROR "${file} names no SONAME")
  endif()
  set(soname ${CMAKE_MATCH_1})
  target_compile_definitions(${target} PRIVATE ORBEK_${prefix}_SONAME="${soname}")
  target_include_directories(${target} SYSTEM PRIVATE ${${prefix}_INCLUDE_DIRS})
  target_compile_options(${target} PRIVATE ${${prefix}_CFLAGS_OTHER})
  get_filename_component(real ${file} REALPATH)
  execute_process(COMMAND dpkg-query -S ${real} OUTPUT_VARIABLE owner ERROR_QUIET
                  RESULT_VARIABLE unowned)
  if(unowned EQUAL 0 AND owner MATCHES "^([^:]+)")
    set_property(GLOBAL APPEND PROPERTY ORBEK_LOADED_PACKAGES ${CMAKE_MATCH_1})
  endif()
endfunction()
