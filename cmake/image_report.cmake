# Prints an executable's size, SHA-256, header flags and the DLLs it imports.
# Given SIZE_LIMIT (bytes) and ALLOWED_DLLS (comma-separated, any case), fails
# when the executable is larger or imports any other DLL; given REQUIRED_FLAGS
# (comma-separated, of TERMINAL_SERVER_AWARE, DYNAMIC_BASE and NX_COMPAT),
# fails when the header lacks one of them, or claims DYNAMIC_BASE without
# base relocations for the loader to apply.
#
#   cmake -DIMAGE=<exe> -DOBJDUMP=<objdump> [-DSIZE_LIMIT=<bytes>]
#         [-DALLOWED_DLLS=<a.dll,b.dll>] [-DREQUIRED_FLAGS=<A,B>] -P image_report.cmake

cmake_minimum_required(VERSION 3.20)

file(SIZE "${IMAGE}" size)
file(SHA256 "${IMAGE}" sha256)
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

# The flags by their Windows names and bits: objdump's own names for them
# differ between its versions, the value it prints does not.
if(NOT headers MATCHES "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
    message(FATAL_ERROR "no DllCharacteristics in the headers of ${IMAGE}")
endif()
math(EXPR characteristics "0x${CMAKE_MATCH_1}")
set(flags)
foreach(flag_and_bit TERMINAL_SERVER_AWARE:0x8000 DYNAMIC_BASE:0x0040 NX_COMPAT:0x0100)
    string(REPLACE ":" ";" flag_and_bit "${flag_and_bit}")
    list(GET flag_and_bit 0 flag)
    list(GET flag_and_bit 1 bit)
    math(EXPR set "${characteristics} & ${bit}")
    if(set)
        list(APPEND flags ${flag})
    endif()
endforeach()
if(NOT headers MATCHES "Entry 5 [0-9a-fA-F]+ ([0-9a-fA-F]+) Base Relocation Directory")
    message(FATAL_ERROR "no base relocation directory entry in the headers of ${IMAGE}")
endif()
math(EXPR relocation_bytes "0x${CMAKE_MATCH_1}")

get_filename_component(name "${IMAGE}" NAME)
list(JOIN dlls ", " dll_text)
list(JOIN flags ", " flag_text)
message(STATUS "${name}: ${size} bytes, SHA-256 ${sha256}")
message(STATUS "${name}: header flags ${flag_text}; ${relocation_bytes} bytes of base relocations")
message(STATUS "${name}: imports ${dll_text}")

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
if(DEFINED REQUIRED_FLAGS)
    string(REPLACE "," ";" required "${REQUIRED_FLAGS}")
    foreach(flag IN LISTS required)
        if(NOT flag IN_LIST flags)
            message(FATAL_ERROR "${name} lacks the header flag ${flag}; it has ${flag_text}")
        endif()
    endforeach()
    if(DYNAMIC_BASE IN_LIST required AND relocation_bytes EQUAL 0)
        message(FATAL_ERROR "${name} says DYNAMIC_BASE but has no base relocations: the loader cannot move it")
    endif()
endif()
