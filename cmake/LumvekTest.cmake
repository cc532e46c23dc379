include(GoogleTest)

# lumvek_test(<name> LABEL <label> SOURCES <files...> LIBRARIES <targets...> [ENVIRONMENT <VAR=value...>] [PIXEL]
#             [SEVERAL <regex>])
# One test program, its cases registered with CTest under the subsystem's label.
# PIXEL marks programs that drive Mesa: its driver is unloaded before exit, so its leaks
# cannot be suppressed by name and leak detection is turned off for those programs alone.
# ENVIRONMENT adds variables to every case's environment (a video driver, for example).
# SEVERAL names the cases that run several programs side by side (a server and its clients): CTest
# counts each as two processors, so that on a small machine nothing runs beside them and no program of
# theirs stalls for seconds while the others take its cores.
function(lumvek_test name)
    cmake_parse_arguments(arg "PIXEL" "LABEL;SEVERAL" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    lumvek_batched_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
    lumvek_warnings(${name})
    set(asan "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1")
    if(arg_PIXEL)
        set(asan "ASAN_OPTIONS=detect_leaks=0")
    endif()
    # A ThreadSanitizer report fails the case; reports from the system's own uninstrumented libraries
    # are suppressed by library name in tsan.supp.
    set(tsan "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${CMAKE_SOURCE_DIR}/Tests/tsan.supp")
    # The sanitizer's lock-order (deadlock) detector follows the locks of Mesa's rasteriser threads too,
    # and on a loaded machine its own bookkeeping can fail a CHECK among them, which stops the program and
    # which no suppression reaches. The programs that drive Mesa, in the test or in the windowed
    # programs they start, check races without it; every other program keeps it.
    if(arg_PIXEL)
        set(tsan "TSAN_OPTIONS=halt_on_error=1:detect_deadlocks=0:suppressions=${CMAKE_SOURCE_DIR}/Tests/tsan.supp")
    endif()
    # The checkout and build folders reach the tests at run time (Tests/TestPaths.h): compiled in,
    # they would make every clone's test objects differ and miss the compiler cache.
    set(environment "${asan}" "${tsan}" "ALSOFT_DRIVERS=null" "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
        "LUMVEK_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "LUMVEK_BINARY_DIR=${CMAKE_BINARY_DIR}"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/Tests/lsan.supp" ${arg_ENVIRONMENT})
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${arg_LABEL}")
    # Discovery hands its properties on through unquoted lists, which would keep the first variable
    # alone; CTest reads this file after the discovered list and gives every case the whole list.
    set(environment_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
    file(WRITE "${environment_file}"
        "if(${name}_TESTS)\n"
        "    set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${environment}]==])\n"
        "endif()\n")
    if(arg_SEVERAL)
        file(APPEND "${environment_file}"
            "foreach(case IN LISTS ${name}_TESTS)\n"
            "    if(case MATCHES [==[${arg_SEVERAL}]==])\n"
            "        set_tests_properties(\${case} PROPERTIES PROCESSORS 2)\n"
            "    endif()\n"
            "endforeach()\n")
    endif()
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${environment_file}")
endfunction()
