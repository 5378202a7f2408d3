# The add-on's resource module: the readable sources in this folder (string lists, alerts,
# dialogs, icons, module identifier) are embedded byte for byte into ArdoTesselConnectCore and
# parsed when the library registers its resources.

set(ATC_RESOURCE_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ATC_RESOURCE_BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR}/Resources)

# Build facts shown in the add-on manager's description (string list 32000, item 2).
if(NOT DEFINED ATC_ADDON_VERSION_TEXT)
    set(ATC_ADDON_VERSION_TEXT "1.3.1.0")
endif()
if(NOT DEFINED ATC_DEVKIT_VERSION_TEXT)
    # The host API version the add-on is built against, as the API header states it.
    set(ATC_VNAPI_EXPORTS_HEADER ${PROJECT_SOURCE_DIR}/Platform/VNAPI/include/VNAPI/VNAPI_Exports.h)
    set(ATC_DEVKIT_VERSION_TEXT "")
    if(EXISTS ${ATC_VNAPI_EXPORTS_HEADER})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ATC_VNAPI_EXPORTS_HEADER})
        file(STRINGS ${ATC_VNAPI_EXPORTS_HEADER} apiVersionLine REGEX "^#define VNAPI_API_VERSION [0-9]+")
        if(apiVersionLine MATCHES "VNAPI_API_VERSION ([0-9]+)")
            set(ATC_DEVKIT_VERSION_TEXT ${CMAKE_MATCH_1})
        endif()
    endif()
    if(ATC_DEVKIT_VERSION_TEXT STREQUAL "")
        message(FATAL_ERROR "VNAPI_API_VERSION not found in ${ATC_VNAPI_EXPORTS_HEADER}")
    endif()
endif()

configure_file(${ATC_RESOURCE_SOURCE_DIR}/StringLists.json ${ATC_RESOURCE_BINARY_DIR}/StringLists.json @ONLY)

file(GLOB ATC_RESOURCE_ICON_FILES CONFIGURE_DEPENDS ${ATC_RESOURCE_SOURCE_DIR}/Icons/*.svg
    ${ATC_RESOURCE_SOURCE_DIR}/Icons/*.png)
list(SORT ATC_RESOURCE_ICON_FILES)

# One "name|path" line per embedded file; the name is the path relative to this folder.
set(ATC_RESOURCE_INPUTS ${ATC_RESOURCE_BINARY_DIR}/StringLists.json)
set(ATC_RESOURCE_MANIFEST "StringLists.json|${ATC_RESOURCE_BINARY_DIR}/StringLists.json\n")
foreach(name Alerts.json Dialogs.json Icons.json ModuleIdentifier.json)
    list(APPEND ATC_RESOURCE_INPUTS ${ATC_RESOURCE_SOURCE_DIR}/${name})
    string(APPEND ATC_RESOURCE_MANIFEST "${name}|${ATC_RESOURCE_SOURCE_DIR}/${name}\n")
endforeach()
foreach(icon ${ATC_RESOURCE_ICON_FILES})
    file(RELATIVE_PATH name ${ATC_RESOURCE_SOURCE_DIR} ${icon})
    list(APPEND ATC_RESOURCE_INPUTS ${icon})
    string(APPEND ATC_RESOURCE_MANIFEST "${name}|${icon}\n")
endforeach()
# Written only when it changes, so a re-configure does not rebuild the resources.
file(CONFIGURE OUTPUT ${ATC_RESOURCE_BINARY_DIR}/Manifest.txt CONTENT "${ATC_RESOURCE_MANIFEST}" @ONLY)

set(ATC_RESOURCE_EMBEDDED_SOURCE ${ATC_RESOURCE_BINARY_DIR}/EmbeddedResources.cpp)
add_custom_command(
    OUTPUT ${ATC_RESOURCE_EMBEDDED_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DATC_MANIFEST=${ATC_RESOURCE_BINARY_DIR}/Manifest.txt
            -DATC_OUTPUT=${ATC_RESOURCE_EMBEDDED_SOURCE} -P ${ATC_RESOURCE_SOURCE_DIR}/EmbedResources.cmake
    DEPENDS ${ATC_RESOURCE_INPUTS} ${ATC_RESOURCE_BINARY_DIR}/Manifest.txt
            ${ATC_RESOURCE_SOURCE_DIR}/EmbedResources.cmake
    COMMENT "Embedding the add-on's resource files"
    VERBATIM)

target_sources(ArdoTesselConnectCore PRIVATE ${ATC_RESOURCE_EMBEDDED_SOURCE})
# The own module is registered under the library file that holds it (dladdr).
target_link_libraries(ArdoTesselConnectCore PUBLIC ${CMAKE_DL_LIBS})
