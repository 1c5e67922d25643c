# The program's version as four dotted numbers (1.0.0.5), read from the one
# place that holds it: the KORV_VERSION line of res/KorvSerial.rc.
#   include(cmake/product_version.cmake)   sets KORV_PRODUCT_VERSION
#   cmake -P cmake/product_version.cmake   prints it

set(KORV_VERSION_SOURCE "${CMAKE_CURRENT_LIST_DIR}/../res/KorvSerial.rc")
file(STRINGS "${KORV_VERSION_SOURCE}" version_line REGEX "^#define KORV_VERSION ")
if(NOT version_line MATCHES "^#define KORV_VERSION ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)$")
    message(FATAL_ERROR "res/KorvSerial.rc has no single line '#define KORV_VERSION a, b, c, d'")
endif()
set(KORV_PRODUCT_VERSION "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}")

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${KORV_PRODUCT_VERSION}")
endif()
