# Build facts the add-on logs when it starts (Main/BuildInfo.cpp): the source revision the
# build was configured from. Defined for that one file, so a new revision rebuilds only it.

set(ATC_SOURCE_REVISION "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(
        COMMAND ${GIT_EXECUTABLE} rev-parse HEAD
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE revision
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE revisionResult
        ERROR_QUIET)
    if(revisionResult EQUAL 0 AND revision MATCHES "^[0-9a-f]+$")
        set(ATC_SOURCE_REVISION ${revision})
    endif()
endif()
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/BuildInfo.cpp PROPERTIES
    COMPILE_DEFINITIONS "ATC_SOURCE_REVISION=\"${ATC_SOURCE_REVISION}\"")
