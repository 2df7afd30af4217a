# Where the installation tree goes below the install prefix (the demo stages to build/stage).
set(TRELLIS_VENDOR "Orvel")
set(TRELLIS_INSTALL_ROOT "${TRELLIS_VENDOR} Printer Utility" CACHE STRING
    "Installation root folder, relative to the install prefix")

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
    foreach(staged Trellis trellis_demo_tool SheetGlideTuner2 StockProfileEditor2
                   demo_sheet_glide_plugin demo_stock_profile_plugin trellis_settings_global
                   trellis_settings_English trellis_settings_Japanese)
        if(TARGET ${staged})
            add_dependencies(${target} ${staged})
        endif()
    endforeach()
endfunction()
