# Warnings are errors on every target of ours.
function(orbek_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# A library of ours: sources, warnings, and the repository root on the include
# path so headers are named by their folder ("intake/MeterRecord.h").
function(orbek_library target)
  add_library(${target} STATIC ${ARGN})
  orbek_warnings(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
