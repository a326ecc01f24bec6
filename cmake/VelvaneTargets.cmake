# Shared compile settings for every Velvane target.
add_library(velvane_options INTERFACE)
target_compile_options(velvane_options INTERFACE -Wall -Wextra)
# Only our own targets link velvane_options, so system and third-party headers stay out of it.
if(VELVANE_WERROR)
    target_compile_options(velvane_options INTERFACE -Werror)
endif()
target_include_directories(velvane_options INTERFACE ${PROJECT_SOURCE_DIR})
if(VELVANE_ASSERTS)
    target_compile_definitions(velvane_options INTERFACE VELVANE_ASSERTS)
endif()
if(VELVANE_TSAN)
    target_compile_options(velvane_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(velvane_options INTERFACE -fsanitize=thread)
endif()
if(VELVANE_SANITIZE)
    target_compile_options(velvane_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(velvane_options INTERFACE -fsanitize=address,undefined)
endif()
if(VELVANE_FUZZ)
    # Every library is instrumented so the fuzzer sees coverage through the layers.
    target_compile_options(velvane_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(velvane_options INTERFACE -fsanitize=address,undefined)
endif()

# velvane_library(NAME FOLDER DEPS...): one library from the sources of one folder.
function(velvane_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC velvane_options ${ARG_DEPS})
endfunction()

# velvane_test(NAME DEPS... [LABELS...]): one GoogleTest program from the tests of one folder.
# Programs whose tests run several threads carry the label "threaded" (the TSan run).
function(velvane_test name)
    cmake_parse_arguments(ARG "" "" "DEPS;LABELS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    # One main for every test program: the tests run in a private home (tests/support).
    if(NOT TARGET velvane_test_main)
        add_library(velvane_test_main OBJECT ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
        target_link_libraries(velvane_test_main PRIVATE velvane_options GTest::gtest)
    endif()
    add_executable(${name} ${sources} $<TARGET_OBJECTS:velvane_test_main>)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest)
    target_compile_definitions(${name} PRIVATE
        VELVANE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
        VELVANE_TEST_SAMPLES="${PROJECT_SOURCE_DIR}/tests/data"
        VELVANE_PROGRAM_DIR="${VELVANE_PROGRAM_DIR}")
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS "${ARG_LABELS}")
endfunction()
