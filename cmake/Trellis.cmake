set(TRELLIS_VENDOR "Orvel")

# The installation folder (Trellis.app, MachineBundle, Manual and the tool folders), relative
# to the install prefix: a package's private files belong under the library folder, or in
# /opt/trellis for the prefix /opt. bin/trellis and the desktop entry find it wherever it is.
if(CMAKE_INSTALL_PREFIX MATCHES "^/opt/?$")
    set(trellis_default_root "trellis")
else()
    set(trellis_default_root "${CMAKE_INSTALL_LIBDIR}/trellis")
endif()
set(TRELLIS_INSTALL_ROOT "${trellis_default_root}" CACHE STRING
    "Installation folder, relative to the install prefix")
if(IS_ABSOLUTE "${TRELLIS_INSTALL_ROOT}")
    message(FATAL_ERROR "TRELLIS_INSTALL_ROOT must be relative to the install prefix")
endif()

# The settings files are kept with LF line ends in the tree; the reader wants CR LF.
# trellis_crlf_copy(<target> <destination folder in the build tree> <files...>)
# adds a target that writes CR LF copies of <files> into the destination folder.
function(trellis_crlf_copy target destination)
    set(outputs)
    foreach(source IN LISTS ARGN)
        get_filename_component(name "${source}" NAME)
        set(output "${destination}/${name}")
        add_custom_command(
            OUTPUT "${output}"
            COMMAND ${CMAKE_COMMAND} -DIN=${source} -DOUT=${output}
                    -P ${PROJECT_SOURCE_DIR}/cmake/ToCrlf.cmake
            DEPENDS "${source}" ${PROJECT_SOURCE_DIR}/cmake/ToCrlf.cmake
            VERBATIM)
        list(APPEND outputs "${output}")
    endforeach()
    add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()

# The demo installation's machine-bundle printers and their plug-in initials; the demo
# machine bundles, Setting.ini files and sample plug-ins all follow this table.
set(TRELLIS_DEMO_PRINTERS
    "MX-R74400 Series=R74" "MX-R54400 Series=R54" "MX-R34400 Series=R34"
    "WJ-2400=WJ24" "WJ-1800=WJ18")

# A test or benchmark that stages an installation from this build tree with
# `cmake --install`: it learns where and how, and everything the installation holds is built
# before it.
function(trellis_needs_staged_tree target)
    target_compile_definitions(${target} PRIVATE
        TRELLIS_BUILD_DIR="${PROJECT_BINARY_DIR}"
        TRELLIS_CMAKE="${CMAKE_COMMAND}"
        TRELLIS_INSTALL_ROOT_NAME="${TRELLIS_INSTALL_ROOT}")
    foreach(staged Trellis trellis_check trellis_demo_tool SheetGlideTuner2 StockProfileEditor2
                   demo_sheet_glide_plugin demo_stock_profile_plugin trellis_settings_global
                   trellis_settings_English trellis_settings_Japanese)
        if(TARGET ${staged})
            add_dependencies(${target} ${staged})
        endif()
    endforeach()
endfunction()

# The Setting.ini files of the tree hold the demo's printers. The product installs a copy
# without them (component runtime); the demo installs the full file at the same place
# (component demo, after the product's copy, so a full installation ends with the demo's).
# trellis_install_setting_ini(<target> <built CR LF file> <destination>
#                             [KEEP <sections...>] [EMPTY <section=line>...])
# KEEP names the sections the product keeps; EMPTY replaces a section by one line.
function(trellis_install_setting_ini target demo_file destination)
    cmake_parse_arguments(ARG "" "" "KEEP;EMPTY" ${ARGN})
    set(product "${CMAKE_CURRENT_BINARY_DIR}/product/${target}/Setting.ini")
    add_custom_command(
        OUTPUT "${product}"
        COMMAND ${CMAKE_COMMAND} "-DIN=${demo_file}" "-DOUT=${product}" "-DKEEP=${ARG_KEEP}"
                "-DEMPTY=${ARG_EMPTY}" -P ${PROJECT_SOURCE_DIR}/cmake/ProductSetting.cmake
        DEPENDS "${demo_file}" ${PROJECT_SOURCE_DIR}/cmake/ProductSetting.cmake
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS "${product}")
    install(FILES "${product}" DESTINATION "${destination}" COMPONENT runtime)
    if(TRELLIS_BUILD_DEMO)
        # The demo's file replaces the product's whatever their times: file(INSTALL) keeps a
        # destination that is as new as its source.
        if(IS_ABSOLUTE "${destination}")
            set(installed "${destination}/Setting.ini")
        else()
            set(installed "\${CMAKE_INSTALL_PREFIX}/${destination}/Setting.ini")
        endif()
        install(CODE "file(REMOVE \"\$ENV{DESTDIR}${installed}\")" COMPONENT demo)
        install(FILES "${demo_file}" DESTINATION "${destination}" COMPONENT demo)
        set_property(GLOBAL APPEND PROPERTY TRELLIS_DEMO_REPLACED_FILES
                     "${destination}/Setting.ini")
    endif()
endfunction()
