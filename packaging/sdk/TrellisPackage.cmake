# What a printer maker's package adds to a Trellis installation, made and installed with
# CMake: a machine bundle, tool applications and printer plug-ins. Included by
# find_package(TrellisPrinterPlugin).
#
# Everything installs below TRELLIS_INSTALLATION_DIR, the installation folder relative to
# the install prefix, so that `cmake --install <build> --prefix <prefix of Trellis>` (or a
# package with that prefix) puts it in place. TRELLIS_PREFIX is the prefix of the Trellis
# this SDK belongs to.
#
#   trellis_add_machine_bundle(<name> VERSION <version>
#       MODELS <model>... INITIALS <initial>... TOOL_MASKS <mask>...
#       [WORLD_WIDE_ONLY] [IDENTIFIER <bundle identifier>] [COMPONENT <component>])
#     MachineBundle/<name>.bundle. The lists run in parallel: model i has initial i and tool
#     mask i. A mask is a number (bit i for tool index i) or tool prefixes joined by "+",
#     e.g. "SL+SGT+SPE". WORLD_WIDE_ONLY hides the printers under the Japanese localization.
#
#   trellis_add_tool_application(<executable target> TOOL <tool name>
#       [IDENTIFIER <bundle identifier>] [VERSION <version>] [RESOURCES <file or folder>...]
#       [PRINTERS <initial>...] [COMPONENT <component>])
#     <tool name>/<tool name>.app with Contents/Info.plist, the executable in Contents/MacOS
#     and the resources in Contents/Resources. The tool is one of the five that Trellis does
#     not ship. PRINTERS gives each of those printers the tool's plug-in bundle
#     (<prefix><initial>.plugin with its Info.plist), without which Trellis hides the tool's
#     button for the printer.
#
#   trellis_add_printer_plugin(<module target> TOOL <tool name> INITIAL <initial>
#       [IDENTIFIER <bundle identifier>] [VERSION <version>] [RESOURCES <file or folder>...]
#       [COMPONENT <component>])
#     <tool name>/Plugin/PrinterPlugin/<prefix><initial>.plugin with the module as its
#     executable. For Sheet Glide Tuner and Stock Profile Editor the module is linked with
#     Trellis::PrinterPlugin, so that it exports only its set-up entry point.
#
# The build tree holds each package laid out as it is installed.

set(TRELLIS_TOOL_NAMES
    "Kestrel Loader" "Status Lantern" "Sheet Glide Tuner" "Stock Profile Editor"
    "Nozzle Care Kit" "Stock Profile Vault" "Stock Vault Setup")
set(TRELLIS_TOOL_PREFIXES KL SL SGT SPE NCK SPV SPV2)

function(_trellis_xml_text out text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# <key> and <string> lines of an Info.plist, from key=value pairs; empty values are left out.
function(_trellis_plist out)
    set(text "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n")
    foreach(pair IN LISTS ARGN)
        string(REGEX MATCH "^([^=]*)=(.*)$" _ "${pair}")
        if(NOT CMAKE_MATCH_2 STREQUAL "")
            _trellis_xml_text(value "${CMAKE_MATCH_2}")
            string(APPEND text "\t<key>${CMAKE_MATCH_1}</key>\n\t<string>${value}</string>\n")
        endif()
    endforeach()
    string(APPEND text "</dict>\n</plist>\n")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Index of a tool by name; fails the configuration for any other name.
function(_trellis_tool_index out caller tool)
    list(FIND TRELLIS_TOOL_NAMES "${tool}" index)
    if(index LESS 0)
        list(JOIN TRELLIS_TOOL_NAMES "\", \"" names)
        message(FATAL_ERROR "${caller}: TOOL \"${tool}\" is not one of \"${names}\"")
    endif()
    set(${out} ${index} PARENT_SCOPE)
endfunction()

# Written only when changed, so that an unchanged file is neither rebuilt nor installed again.
function(_trellis_write file text)
    if(EXISTS "${file}")
        file(READ "${file}" old)
        if(old STREQUAL text)
            return()
        endif()
    endif()
    file(WRITE "${file}" "${text}")
endfunction()

function(_trellis_copy_resources target destination)
    foreach(resource IN LISTS ARGN)
        get_filename_component(resource "${resource}" ABSOLUTE)
        get_filename_component(name "${resource}" NAME)
        if(IS_DIRECTORY "${resource}")
            add_custom_command(TARGET ${target} POST_BUILD COMMAND
                ${CMAKE_COMMAND} -E copy_directory "${resource}" "${destination}/${name}" VERBATIM)
        else()
            add_custom_command(TARGET ${target} POST_BUILD
                COMMAND ${CMAKE_COMMAND} -E make_directory "${destination}"
                COMMAND ${CMAKE_COMMAND} -E copy_if_different "${resource}" "${destination}/"
                VERBATIM)
        endif()
    endforeach()
endfunction()

function(_trellis_install_resources destination component)
    foreach(resource IN LISTS ARGN)
        get_filename_component(resource "${resource}" ABSOLUTE)
        if(IS_DIRECTORY "${resource}")
            install(DIRECTORY "${resource}" DESTINATION "${destination}" ${component})
        else()
            install(FILES "${resource}" DESTINATION "${destination}" ${component})
        endif()
    endforeach()
endfunction()

# A package built at <built> for <contents> of the installation: its executable (RUNTIME or
# LIBRARY), its Info.plist and resources; <component> as given to the function, or empty.
function(_trellis_install_package target kind contents built component)
    if(component)
        set(component COMPONENT "${component}")
    endif()
    set(destination "${TRELLIS_INSTALLATION_DIR}/${contents}")
    install(TARGETS ${target} ${kind} DESTINATION "${destination}/MacOS" ${component})
    install(FILES "${built}/Info.plist" DESTINATION "${destination}" ${component})
    _trellis_install_resources("${destination}/Resources" "${component}" ${ARGN})
endfunction()

function(trellis_add_machine_bundle name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "WORLD_WIDE_ONLY" "VERSION;IDENTIFIER;COMPONENT"
                          "MODELS;INITIALS;TOOL_MASKS")
    set(caller "trellis_add_machine_bundle(${name})")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "${caller}: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT name MATCHES "^[^/]+$" OR ARG_VERSION STREQUAL "")
        message(FATAL_ERROR "${caller}: needs a name without '/' and a VERSION")
    endif()
    list(LENGTH ARG_MODELS count)
    list(LENGTH ARG_INITIALS initials)
    list(LENGTH ARG_TOOL_MASKS masks)
    if(count EQUAL 0 OR NOT initials EQUAL count OR NOT masks EQUAL count)
        message(FATAL_ERROR "${caller}: MODELS, INITIALS and TOOL_MASKS need one entry per "
                            "model (${count}, ${initials}, ${masks})")
    endif()
    set(models "")
    set(initial_entries "")
    set(function_entries "")
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        list(GET ARG_MODELS ${i} model)
        list(GET ARG_INITIALS ${i} initial)
        list(GET ARG_TOOL_MASKS ${i} mask)
        list(FIND ARG_MODELS "${model}" first)
        if(model STREQUAL "" OR NOT first EQUAL i)
            message(FATAL_ERROR "${caller}: model \"${model}\" is empty or named twice")
        endif()
        if(NOT initial MATCHES "^[A-Za-z0-9_.-]+$")
            message(FATAL_ERROR "${caller}: initial \"${initial}\" of \"${model}\" must be "
                                "letters, digits, '_', '.' or '-' (it is part of file names)")
        endif()
        if(NOT mask MATCHES "^[0-9]+$")
            string(REPLACE "+" ";" tools "${mask}")
            set(mask 0)
            foreach(prefix IN LISTS tools)
                list(FIND TRELLIS_TOOL_PREFIXES "${prefix}" index)
                if(index LESS 0)
                    message(FATAL_ERROR "${caller}: \"${prefix}\" in the tool mask of "
                        "\"${model}\" is none of the prefixes ${TRELLIS_TOOL_PREFIXES}")
                endif()
                math(EXPR mask "${mask} | (1 << ${index})")
            endforeach()
        elseif(mask GREATER 127)
            message(FATAL_ERROR "${caller}: tool mask ${mask} of \"${model}\" names a tool "
                                "beyond the seven (bits 0 to 6)")
        endif()
        _trellis_xml_text(model "${model}")
        string(APPEND models "\t\t<string>${model}</string>\n")
        string(APPEND initial_entries "\t\t<key>${model}</key>\n\t\t<string>${initial}</string>\n")
        string(APPEND function_entries "\t\t<key>${model}</key>\n\t\t<integer>${mask}</integer>\n")
    endforeach()
    set(world_wide "")
    if(ARG_WORLD_WIDE_ONLY)
        set(world_wide "\t<key>IsWorldWideOnly</key>\n\t<true/>\n")
    endif()
    _trellis_plist(info "CFBundleIdentifier=${ARG_IDENTIFIER}" "CFBundleInfoDictionaryVersion=6.0"
                   "CFBundleName=${name}" "CFBundlePackageType=BNDL"
                   "CFBundleShortVersionString=${ARG_VERSION}" "CFBundleVersion=${ARG_VERSION}")
    string(CONCAT setting
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n\t<key>MODEL</key>\n\t<array>\n${models}\t</array>\n"
        "${world_wide}\t<key>INITIAL</key>\n\t<dict>\n${initial_entries}\t</dict>\n"
        "\t<key>FUNCTION</key>\n\t<dict>\n${function_entries}\t</dict>\n</dict>\n</plist>\n")
    set(bundle "${CMAKE_CURRENT_BINARY_DIR}/MachineBundle/${name}.bundle")
    _trellis_write("${bundle}/Contents/Info.plist" "${info}")
    _trellis_write("${bundle}/Contents/Resources/Setting.xml" "${setting}")
    set(component "")
    if(ARG_COMPONENT)
        set(component COMPONENT "${ARG_COMPONENT}")
    endif()
    install(DIRECTORY "${bundle}" DESTINATION "${TRELLIS_INSTALLATION_DIR}/MachineBundle"
            ${component})
endfunction()

function(trellis_add_tool_application target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "TOOL;IDENTIFIER;VERSION;COMPONENT"
                          "RESOURCES;PRINTERS")
    set(caller "trellis_add_tool_application(${target})")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "${caller}: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    _trellis_tool_index(index "${caller}" "${ARG_TOOL}")
    if(index EQUAL 2 OR index EQUAL 3)
        message(FATAL_ERROR "${caller}: Trellis itself ships ${ARG_TOOL}; give it printer "
                            "plug-ins with trellis_add_printer_plugin()")
    endif()
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "EXECUTABLE")
        message(FATAL_ERROR "${caller}: ${target} is not an executable")
    endif()
    if(NOT ARG_VERSION)
        set(ARG_VERSION "${PROJECT_VERSION}")
    endif()
    set(tool "${ARG_TOOL}")
    set(contents "${tool}/${tool}.app/Contents")
    set(built "${CMAKE_CURRENT_BINARY_DIR}/${contents}")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${built}/MacOS")
    get_target_property(executable ${target} OUTPUT_NAME)
    if(NOT executable)
        set(executable "${target}")
    endif()
    _trellis_plist(info "CFBundleDevelopmentRegion=English" "CFBundleExecutable=${executable}"
                   "CFBundleIdentifier=${ARG_IDENTIFIER}" "CFBundleInfoDictionaryVersion=6.0"
                   "CFBundleName=${tool}" "CFBundlePackageType=APPL"
                   "CFBundleShortVersionString=${ARG_VERSION}" "CFBundleVersion=${ARG_VERSION}")
    _trellis_write("${built}/Info.plist" "${info}")
    _trellis_copy_resources(${target} "${built}/Resources" ${ARG_RESOURCES})

    _trellis_install_package(${target} RUNTIME "${contents}" "${built}" "${ARG_COMPONENT}"
                             ${ARG_RESOURCES})
    set(component "")
    if(ARG_COMPONENT)
        set(component COMPONENT "${ARG_COMPONENT}")
    endif()

    list(GET TRELLIS_TOOL_PREFIXES ${index} prefix)
    foreach(initial IN LISTS ARG_PRINTERS)
        set(plugin "${tool}/Plugin/PrinterPlugin/${prefix}${initial}.plugin/Contents")
        _trellis_plist(info "CFBundleName=${prefix}${initial}" "CFBundlePackageType=BNDL"
                       "CFBundleVersion=${ARG_VERSION}")
        _trellis_write("${CMAKE_CURRENT_BINARY_DIR}/${plugin}/Info.plist" "${info}")
        install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${plugin}/Info.plist"
                DESTINATION "${TRELLIS_INSTALLATION_DIR}/${plugin}" ${component})
    endforeach()
endfunction()

function(trellis_add_printer_plugin target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "TOOL;INITIAL;IDENTIFIER;VERSION;COMPONENT"
                          "RESOURCES")
    set(caller "trellis_add_printer_plugin(${target})")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "${caller}: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    _trellis_tool_index(index "${caller}" "${ARG_TOOL}")
    if(NOT ARG_INITIAL MATCHES "^[A-Za-z0-9_.-]+$")
        message(FATAL_ERROR "${caller}: needs the printer's INITIAL (letters, digits, '_', "
                            "'.' or '-')")
    endif()
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "MODULE_LIBRARY")
        message(FATAL_ERROR "${caller}: ${target} is not a MODULE library")
    endif()
    if(NOT ARG_VERSION)
        set(ARG_VERSION "${PROJECT_VERSION}")
    endif()
    list(GET TRELLIS_TOOL_PREFIXES ${index} prefix)
    set(name "${prefix}${ARG_INITIAL}")
    set(contents "${ARG_TOOL}/Plugin/PrinterPlugin/${name}.plugin/Contents")
    set(built "${CMAKE_CURRENT_BINARY_DIR}/${contents}")
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME "${name}"
                                               LIBRARY_OUTPUT_DIRECTORY "${built}/MacOS")
    if(index EQUAL 2 OR index EQUAL 3)
        target_link_libraries(${target} PRIVATE Trellis::PrinterPlugin)
    endif()
    _trellis_plist(info "CFBundleExecutable=${name}" "CFBundleIdentifier=${ARG_IDENTIFIER}"
                   "CFBundleInfoDictionaryVersion=6.0" "CFBundleName=${name}"
                   "CFBundlePackageType=BNDL" "CFBundleShortVersionString=${ARG_VERSION}"
                   "CFBundleVersion=${ARG_VERSION}")
    _trellis_write("${built}/Info.plist" "${info}")
    _trellis_copy_resources(${target} "${built}/Resources" ${ARG_RESOURCES})

    _trellis_install_package(${target} LIBRARY "${contents}" "${built}" "${ARG_COMPONENT}"
                             ${ARG_RESOURCES})
endfunction()
