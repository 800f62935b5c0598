# rw_add_fuzzer(NAME SOURCES files... SEEDS folder RUNS n MAX_LEN n [LIBS -lname...]): a libFuzzer
# target built natively with clang (GCC has no libFuzzer), sources given relative to the calling
# folder.
# CTest runs a bounded, seeded stretch of it as test NAME_run; `NAME <corpus dir>` runs it for as
# long as wanted. Seeds are copied: libFuzzer adds what it finds to the corpus folder it is given.
find_program(RW_CLANGXX NAMES clang++ clang++-14)

function(rw_add_fuzzer name)
  cmake_parse_arguments(F "" "SEEDS;RUNS;MAX_LEN;TEST" "SOURCES;DEPENDS;LIBS" ${ARGN})
  if(WIN32 OR NOT RW_CLANGXX)
    return()
  endif()
  set(sources ${F_SOURCES})
  list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${name}
    COMMAND ${RW_CLANGXX} -std=c++20 -O1 -g -Wall -Wextra -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_SOURCE_DIR} ${sources} -o ${CMAKE_BINARY_DIR}/${name}
            ${F_LIBS}
    DEPENDS ${sources} ${F_DEPENDS}
    COMMENT "Building the libFuzzer target ${name}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${CMAKE_BINARY_DIR}/${name})
  if(RW_TESTS)
    file(COPY ${F_SEEDS}/ DESTINATION ${CMAKE_BINARY_DIR}/${name}_corpus)
    add_test(NAME ${F_TEST}
             COMMAND ${CMAKE_BINARY_DIR}/${name} -seed=1 -runs=${F_RUNS} -max_len=${F_MAX_LEN}
                     ${CMAKE_BINARY_DIR}/${name}_corpus)
  endif()
endfunction()
