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
