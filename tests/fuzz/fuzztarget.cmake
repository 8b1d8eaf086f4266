# zvl_fuzz_target(NAME SOURCES ... [LIBS ...] [DEFINES ...]): a libFuzzer target
# libfuzzer_NAME in the calling folder's build folder, built with clang (the rest of the project
# may be built by another compiler) under ASan and UBSan, and a ctest run of it: 4 s from the
# committed seeds in tests/fuzz/corpus/NAME, new inputs going to a folder of the build.
# Nothing is defined when clang is not installed, nor in the ZVL_SANITIZE build: the targets
# carry both sanitizers already, and the normal build makes and runs them.
find_program(ZVL_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)

function(zvl_fuzz_target name)
  if(NOT ZVL_CLANGXX OR ZVL_SANITIZE)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS;DEFINES")
  list(TRANSFORM arg_DEFINES PREPEND -D)
  set(exe ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer_${name})
  add_custom_command(OUTPUT ${exe}
    COMMAND ${ZVL_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined
            -fno-sanitize-recover=undefined ${arg_DEFINES} -I${PROJECT_SOURCE_DIR} ${arg_SOURCES} ${arg_LIBS} -o ${exe}
    DEPENDS ${arg_SOURCES}
    COMMENT "Building the libFuzzer target fuzz_${name} with clang"
    VERBATIM)
  add_custom_target(fuzz_${name} ALL DEPENDS ${exe})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/corpus_${name})
  file(MAKE_DIRECTORY ${work})
  add_test(NAME fuzz.${name} COMMAND ${exe} -max_total_time=4 -seed=1 -max_len=4096 -rss_limit_mb=1024
                                   ${work} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
endfunction()
