# Build settings shared by every target of the project.

option(CASHDESK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CASHDESK_TSAN "Build with ThreadSanitizer" OFF)
option(CASHDESK_FUZZ "Build the libFuzzer targets (clang only)" OFF)
option(CASHDESK_BENCH "Build the benchmarks" ON)
option(CASHDESK_UNITY_TESTS "Compile each test program as one unit (tests/CMakeLists.txt)" ON)

add_compile_options(-Wall -Wextra -funsigned-char)

# Text lives in memory as CP1251, as on the terminal. GCC converts every narrow
# literal; clang cannot, so the fuzzing build keeps UTF-8 literals.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fexec-charset=CP1251)
  set(CASHDESK_CP1251_LITERALS ON)
else()
  set(CASHDESK_CP1251_LITERALS OFF)
endif()

if(CASHDESK_SANITIZE)
  # Line tables are all a sanitizer's report needs; full debug information
  # only slows the build (a plain debug build is the one for a debugger).
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined -g1)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CASHDESK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(CASHDESK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CASHDESK_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # Undefined behaviour ends the run like a crash, so the fuzzer reports it
  # (recovering, it would only print a line and the run would pass).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Private System V IPC for tests that touch the controller queue (key 111):
# each test process gets its own namespace when the machine allows it,
# otherwise such tests are serialised through a ctest resource lock.
execute_process(COMMAND unshare --ipc true RESULT_VARIABLE _unshare_rc OUTPUT_QUIET ERROR_QUIET)
if(_unshare_rc EQUAL 0)
  set(CASHDESK_IPC_NAMESPACE ON)
else()
  set(CASHDESK_IPC_NAMESPACE OFF)
endif()

# A loopback of their own for tests that listen on a fixed port: a network
# namespace whose loopback the test brings up (tests/support/own-loopback.sh).
# Without it such tests hold a ctest resource lock named after the port,
# and two test runs on one machine can still meet at the port.
set(CASHDESK_OWN_LOOPBACK OFF)
if(CASHDESK_IPC_NAMESPACE)
  execute_process(COMMAND unshare --ipc --net sh ${CMAKE_CURRENT_LIST_DIR}/../tests/support/own-loopback.sh true
                  RESULT_VARIABLE _netns_rc OUTPUT_QUIET ERROR_QUIET)
  if(_netns_rc EQUAL 0)
    set(CASHDESK_OWN_LOOPBACK ON)
  endif()
endif()

find_package(GTest REQUIRED)
include(GoogleTest)

# How much slower than an idle machine the tests may run: every wall-clock
# limit of a test's waits (tests/support/TestTime.h reads the factor from the
# environment, which ctest sets from this) and every ctest time-out is
# multiplied by it. The test command raises it, so a loaded machine makes the
# tests slower, not red.
set(CASHDESK_TEST_TIME_FACTOR 1 CACHE STRING "Multiplier of the tests' wall-clock limits and time-outs")
if(NOT CASHDESK_TEST_TIME_FACTOR MATCHES "^[1-9][0-9]?$")
  message(FATAL_ERROR "CASHDESK_TEST_TIME_FACTOR must be a whole number from 1 to 99")
endif()

# cashdesk_test_properties(<var> <timeout>): the ctest properties of a test
# with that time-out (seconds on an idle machine), scaled by the factor.
function(cashdesk_test_properties var timeout)
  math(EXPR scaled "${timeout} * ${CASHDESK_TEST_TIME_FACTOR}")
  set(${var} TIMEOUT ${scaled} ENVIRONMENT CASHDESK_TEST_TIME_FACTOR=${CASHDESK_TEST_TIME_FACTOR} PARENT_SCOPE)
endfunction()

# cashdesk_add_gtest(<name> SOURCES ... [LIBS ...] [IPC_PRIVATE] [TIMEOUT s] [COST n])
# One test executable; every test case is a ctest of its own (its own process).
# COST (about the seconds a case takes) makes ctest start the long cases
# first when it has no times of an earlier run, so none of them starts last
# and keeps the run going alone.
function(cashdesk_add_gtest name)
  cmake_parse_arguments(T "IPC_PRIVATE" "TIMEOUT;COST" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock pthread)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  cashdesk_test_properties(props ${T_TIMEOUT})
  if(T_COST)
    list(APPEND props COST ${T_COST})
  endif()
  if(T_IPC_PRIVATE)
    if(CASHDESK_IPC_NAMESPACE)
      set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "unshare;--ipc")
    else()
      list(APPEND props RESOURCE_LOCK controller_queue)
    endif()
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()
