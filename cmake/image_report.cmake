# Prints an executable's size and the DLLs it imports. Given SIZE_LIMIT (bytes)
# and ALLOWED_DLLS (comma-separated, any case), fails when the executable is
# larger or imports any other DLL.
#
#   cmake -DIMAGE=<exe> -DOBJDUMP=<objdump> [-DSIZE_LIMIT=<bytes>]
#         [-DALLOWED_DLLS=<a.dll,b.dll>] -P image_report.cmake

cmake_minimum_required(VERSION 3.20)

file(SIZE "${IMAGE}" size)
execute_process(COMMAND "${OBJDUMP}" -p "${IMAGE}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read the headers of ${IMAGE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${headers}")
set(dlls)
foreach(line IN LISTS import_lines)
    string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    list(APPEND dlls "${dll}")
endforeach()

get_filename_component(name "${IMAGE}" NAME)
list(JOIN dlls ", " dll_text)
message(STATUS "${name}: ${size} bytes, imports ${dll_text}")

if(DEFINED SIZE_LIMIT AND size GREATER SIZE_LIMIT)
    message(FATAL_ERROR "${name} is ${size} bytes, more than the ${SIZE_LIMIT} allowed")
endif()
if(DEFINED ALLOWED_DLLS)
    string(TOUPPER "${ALLOWED_DLLS}" allowed)
    string(REPLACE "," ";" allowed "${allowed}")
    foreach(dll IN LISTS dlls)
        string(TOUPPER "${dll}" upper)
        if(NOT upper IN_LIST allowed)
            message(FATAL_ERROR "${name} imports ${dll}; only ${ALLOWED_DLLS} are allowed")
        endif()
    endforeach()
endif()
