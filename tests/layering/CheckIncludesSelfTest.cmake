# The include check must find what runs against the layers: run it over a
# small tree that holds one of each fault and one file that is fine, and
# expect it to fail naming exactly the faulty files and includes.
#
#   cmake -DCHECK=<CheckIncludes.cmake> -DFIXTURE=<tree> -P CheckIncludesSelfTest.cmake

execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${FIXTURE} -P ${CHECK}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(text "${out}${err}")
if(result EQUAL 0)
    message(FATAL_ERROR "The check passed a tree that breaks the layers:\n${text}")
endif()

set(expected
    "people/gui/ReachesAcross.h: includes \"companies/gui/CompaniesListWindow.h\": the features people and companies"
    "host/ReachesUp.h: includes \"shell/gui/MainFrame.h\": host lies below shell"
    "engine/ReachesFeature.cpp: includes \"people/PersonRecords.h\": engine lies below people"
    "engine/ReachesFeature.cpp: includes \"engine/gui/BrowseWindow.h\": core code includes window code"
    "5 includes run against the layers")
foreach(line IN LISTS expected)
    string(FIND "${text}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The check did not report\n  ${line}\nIt said:\n${text}")
    endif()
endforeach()
# The files that follow the layers are not named.
foreach(fine "companies/Fine.cpp" "shell/gui/Composition.cpp" "host/gui/FeatureWindows.h\": " "store/Table.h\": ")
    string(FIND "${text}" "${fine}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "The check reported an include that follows the layers (${fine}):\n${text}")
    endif()
endforeach()
message(STATUS "The check finds every fault of the sample tree")
