# The program's texts are written readably, in UTF-8, in headers named
# <name>.h.in; the build writes <name>.h with their Shift-JIS bytes
# (scripts/shift_jis_header.py) under one folder of generated headers, which
# the target includes, so that "app/progress_texts.h" is found as before.
#
#   korv_shift_jis_texts(<target> <header.h.in>...)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KORV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

function(korv_shift_jis_texts target)
    set(script ${PROJECT_SOURCE_DIR}/scripts/shift_jis_header.py)
    foreach(input IN LISTS ARGN)
        get_filename_component(input ${input} ABSOLUTE)
        file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${input})
        string(REGEX REPLACE "\\.in$" "" relative ${relative})
        set(output ${KORV_GENERATED_DIR}/${relative})
        add_custom_command(OUTPUT ${output}
            COMMAND Python3::Interpreter ${script} ${input} ${output}
            DEPENDS ${script} ${input}
            VERBATIM)
        target_sources(${target} PRIVATE ${output})
    endforeach()
    target_include_directories(${target} PUBLIC ${KORV_GENERATED_DIR})
endfunction()
