# Warnings for our own targets; third-party headers come in as SYSTEM includes.
function(atc_set_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
        -Wunused -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
        -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
    # In a batch of sources every file but the batch's own counts as a header for GCC, so a test
    # fixture in an anonymous namespace would be reported as a header's type leaking out.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE
            $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:$<TARGET_PROPERTY:UNITY_BUILD>>>:-Wno-subobject-linkage>)
    endif()
    if(ATC_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# The heavy third-party headers every test includes, parsed once per test program.
set(ATC_TEST_PRECOMPILED_HEADERS <gmock/gmock.h> <gtest/gtest.h> <fmt/format.h> <memory> <string> <vector>
    <functional> <unordered_map>)

# GCC collects its garbage from a small heap on; a batch of sources needs several hundred megabytes
# anyway, and collecting less often took a tenth of the compiling time off a batch.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(--param=ggc-min-expand=100 --param=ggc-min-heapsize=524288)
endif()

# mold links the large debug programs in a third of the time the default linker takes; without
# it the default linker is used.
include(CheckLinkerFlag)
find_program(ATC_MOLD mold)
if(ATC_MOLD)
    check_linker_flag(CXX -fuse-ld=mold ATC_LINKER_MOLD_WORKS)
    if(ATC_LINKER_MOLD_WORKS)
        add_link_options(-fuse-ld=mold)
    endif()
endif()

if(ATC_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
# Coverage for the fuzzer in every library but the code the list below names; only the fuzz
# programs link its driver.
if(ATC_BUILD_FUZZ)
    # The code the fuzzers take no coverage from; the digest of its entries is in every compile
    # line, so that a change to them (not to the comments) compiles everything again.
    set(ATC_COVERAGE_IGNORE ${PROJECT_SOURCE_DIR}/Fuzz/coverage-ignore.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ATC_COVERAGE_IGNORE})
    file(STRINGS ${ATC_COVERAGE_IGNORE} ATC_COVERAGE_IGNORE_ENTRIES REGEX "^[^#]")
    string(MD5 ATC_COVERAGE_IGNORE_DIGEST "${ATC_COVERAGE_IGNORE_ENTRIES}")
    add_compile_options(-fsanitize=fuzzer-no-link -fsanitize-coverage-ignorelist=${ATC_COVERAGE_IGNORE}
        -DATC_COVERAGE_IGNORE_DIGEST=${ATC_COVERAGE_IGNORE_DIGEST})
    # Clang before 17 refuses the log macros' consteval helpers inside templates (it cannot see
    # __func__ as a constant there); evaluated as constexpr they give the same texts.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 17)
        add_compile_definitions(consteval=constexpr)
    endif()
    # The JSON library's internal stack adds an offset to its null start before its first
    # allocation; clang reports that on every page call and file read, which hides everything else.
    add_compile_options(-fno-sanitize=pointer-overflow)
endif()

# Every test program takes its precompiled headers from one target built once per preset, rather
# than each parsing them again: about five seconds of compiling per program. The programs share
# compiler options and the definitions their libraries bring, which GCC checks (-Winvalid-pch is an
# error with the warnings as errors, so a header that stops fitting is seen, not silently slow).
function(atc_use_test_precompiled_headers target)
    if(NOT TARGET TestPrecompiledHeaders)
        # A program, as the tests are, so that it is compiled as position-independent the same way.
        add_executable(TestPrecompiledHeaders ${PROJECT_SOURCE_DIR}/cmake/TestPrecompiledHeaders.cpp)
        target_link_libraries(TestPrecompiledHeaders PRIVATE GTest::gmock GTest::gtest_main fmt::fmt)
        atc_set_warnings(TestPrecompiledHeaders)
        target_precompile_headers(TestPrecompiledHeaders PRIVATE ${ATC_TEST_PRECOMPILED_HEADERS})
    endif()
    target_precompile_headers(${target} REUSE_FROM TestPrecompiledHeaders)
endfunction()

# Tests of one tree: atc_add_test(NAME SOURCES... LIBS ...)
function(atc_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
    atc_set_warnings(${name})
    atc_use_test_precompiled_headers(${name})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "ATC_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()
