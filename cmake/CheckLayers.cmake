# cmake -DROOT=<checkout> -P CheckLayers.cmake
# The game's layers point one way: a folder may include what lies below it and never what lies
# above. Each rule names a folder and the folder its files must not include; every offending include
# is listed with its file and line, and the run fails when there is one.
# The world and the game rules post the match's events through MatchEvents and never name a network
# role; the world asks the running rules through MatchRules and never names a game mode, so the rules
# lie above the world; the definitions lie below everything that plays them; the match library
# (definitions, world, rules, roles) lies below the game system, its screens and its tools.
set(rules
    "Source/World|Source/Network"
    "Source/World|Source/GameTypes"
    "Source/GameTypes|Source/Network"
    "Source/Data|Source/World"
    "Source/Data|Source/GameTypes"
    "Source/Data|Source/Network")
foreach(match IN ITEMS Data World GameTypes Network)
    foreach(game IN ITEMS Game Ui Tools)
        list(APPEND rules "Source/${match}|Source/${game}")
    endforeach()
endforeach()

if(NOT ROOT)
    message(FATAL_ERROR "ROOT names the checkout to check")
endif()
set(offences 0)
foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(GET parts 1 forbidden)
    file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    list(SORT files)
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines)
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]${forbidden}/")
                file(RELATIVE_PATH shown "${ROOT}" "${file}")
                message("${shown}:${number}: ${folder} must not include ${forbidden}: ${line}")
                math(EXPR offences "${offences} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()
if(offences GREATER 0)
    message(FATAL_ERROR "${offences} includes point the wrong way")
endif()
