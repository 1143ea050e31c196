# Keeps the arrows pointing one way. Reads every source file under SOURCE_DIR
# (the src folder, or a test's own tree) and fails, naming the file and the
# include, when
#  - a folder includes one of a higher layer
#    (base < store < engine < host < the features < shell), or
#  - one feature includes another (they meet only in engine, store, base or
#    the host's named commands), or
#  - core code includes window code (a core library links no widgets).
#
#   cmake -DSOURCE_DIR=<dir> -P CheckIncludes.cmake

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckIncludes.cmake: pass -DSOURCE_DIR=<folder holding the subsystems>")
endif()

set(layer_base 0)
set(layer_store 1)
set(layer_engine 2)
set(layer_host 3)
set(features people companies dates phones postal reports exchange search)
foreach(feature IN LISTS features)
    set(layer_${feature} 4)
endforeach()
set(layer_shell 5)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT sources)
set(problems "")
set(checked 0)
foreach(file IN LISTS sources)
    string(REGEX MATCH "^[^/]+" from ${file})
    if(NOT DEFINED layer_${from})
        string(APPEND problems "${file}: lies in \"${from}\", a folder of no known layer\n")
        continue()
    endif()
    set(from_gui FALSE)
    if(file MATCHES "^[^/]+/gui/")
        set(from_gui TRUE)
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" target "${line}")
        math(EXPR checked "${checked} + 1")
        if(NOT target MATCHES "/")
            continue() # a file beside it, or a generated one
        endif()
        string(REGEX MATCH "^[^/]+" to ${target})
        if(NOT DEFINED layer_${to})
            continue() # not one of ours
        endif()
        if(NOT from_gui AND target MATCHES "^[^/]+/gui/")
            string(APPEND problems "${file}: includes \"${target}\": core code includes window code\n")
        endif()
        if(to STREQUAL from)
            continue()
        endif()
        if(layer_${to} GREATER layer_${from})
            string(APPEND problems "${file}: includes \"${target}\": ${from} lies below ${to}\n")
        elseif(layer_${to} EQUAL layer_${from})
            string(APPEND problems "${file}: includes \"${target}\": the features ${from} and ${to} meet only through engine, store, base or the host\n")
        endif()
    endforeach()
endforeach()

if(problems)
    # One line a problem, unwrapped, so the file and include are easy to find.
    string(REGEX REPLACE "\n$" "" problems "${problems}")
    string(REPLACE "\n" ";" problem_list "${problems}")
    list(LENGTH problem_list count)
    foreach(problem IN LISTS problem_list)
        message(NOTICE "${problem}")
    endforeach()
    message(FATAL_ERROR "${count} includes run against the layers")
endif()
message(STATUS "${checked} includes follow the layers")
