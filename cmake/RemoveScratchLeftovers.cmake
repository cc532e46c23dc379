# cmake -P RemoveScratchLeftovers.cmake
# Removes the scratch copies "<suite>-<process id>-<count>" that runs of the real program left in the
# temporary folder when their test process was killed at its time-out, which skips the test's own
# clean-up. A copy whose process still runs, a test of a parallel run, is left alone.
set(suites VantorelScreens VantorelFlows VantorelOnline VantorelLoopback VantorelTools VantorelProgram)
set(temporary "$ENV{TMPDIR}")
if(NOT temporary)
    set(temporary "/tmp")
endif()
foreach(suite IN LISTS suites)
    file(GLOB folders LIST_DIRECTORIES true "${temporary}/${suite}-*-*")
    foreach(folder IN LISTS folders)
        get_filename_component(leaf "${folder}" NAME)
        # The match is read only after the if that made it: its arguments are expanded before.
        if(NOT leaf MATCHES "^${suite}-([0-9]+)-[0-9]+$")
            continue()
        endif()
        if(NOT EXISTS "/proc/${CMAKE_MATCH_1}")
            message("removing ${folder}, left by a killed test")
            file(REMOVE_RECURSE "${folder}")
        endif()
    endforeach()
endforeach()
