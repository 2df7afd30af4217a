# CPack: one Debian package per install component (trellis, trellis-dev, trellis-demo).
# scripts/package.sh configures a Release tree with the prefix /usr and runs cpack.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trellis)
set(CPACK_PACKAGE_VENDOR "The Trellis authors")
set(CPACK_PACKAGE_CONTACT "${TRELLIS_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TRELLIS_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
# The install rules see the real prefix (the desktop entry's Exec depends on it).
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
# CPACK_STRIP_FILES reaches only install(TARGETS); the demo installs its programs and
# plug-ins under other names, so every ELF file of the staging tree is stripped here.
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_SOURCE_DIR}/debian/Strip.cmake")
set(CPACK_DEBIAN_STRIP "${CMAKE_STRIP}")
set(CPACK_COMPONENTS_ALL runtime sdk)
if(TRELLIS_BUILD_DEMO)
    list(APPEND CPACK_COMPONENTS_ALL demo)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TRELLIS_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME trellis)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
# Found at run time, not linked: Qt's own translations (dialog buttons, context menus) and
# the font the window's pictures and texts are drawn with.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"launcher of the maintenance and set-up tools of Orvel printers
Trellis shows the printer models of an Orvel large-format printer installation
and, for the chosen one, a button for each tool the printer supports. Two
set-up programs, SheetGlideTuner2 and StockProfileEditor2, load the printer's
plug-in and open its set-up dialog.

The printers and their plug-ins come from machine bundles and plug-in packages
supplied by printer makers; install trellis-demo for a demonstration set.")

set(CPACK_DEBIAN_SDK_PACKAGE_NAME trellis-dev)
set(CPACK_DEBIAN_SDK_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SDK_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_SDK_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_SDK_PACKAGE_SUGGESTS "cmake, pkg-config")
set(CPACK_DEBIAN_SDK_DESCRIPTION
"SDK for printer packages of Trellis
The C header of the printer plug-in contract, a CMake package
(find_package(TrellisPrinterPlugin), target Trellis::PrinterPlugin) and a
pkg-config file (trellis-printer-plugin) for building printer plug-ins that
SheetGlideTuner2 and StockProfileEditor2 load. Plug-ins built with them
export only their set-up entry point.

For a printer maker's whole package: the header trellis/ToolHandoff.h, with
which a tool application learns the printer it was started for, and CMake
functions that make machine bundles, tool applications and plug-in bundles
and install them into the Trellis installation folder.")

if(TRELLIS_BUILD_DEMO)
    set(CPACK_DEBIAN_DEMO_PACKAGE_NAME trellis-demo)
    set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION misc)
    set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "trellis (= ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_DEMO_DESCRIPTION
"demonstration printers, tools and plug-ins for Trellis
Machine bundles and Setting.ini entries for a set of demonstration printers,
stand-in programs for the five tools that are not part of Trellis, and sample
plug-ins whose dialogs SheetGlideTuner2 and StockProfileEditor2 open.

The package replaces the product's Setting.ini files by the demonstration's
(dpkg diversions) and gives them back when it is removed.")

    # The Setting.ini files that the demo puts in place of the product's.
    get_property(replaced GLOBAL PROPERTY TRELLIS_DEMO_REPLACED_FILES)
    set(TRELLIS_DIVERT_ADD "")
    set(TRELLIS_DIVERT_REMOVE "")
    foreach(file IN LISTS replaced)
        set(path "${CMAKE_INSTALL_PREFIX}/${file}")
        string(APPEND TRELLIS_DIVERT_ADD
            "    dpkg-divert --package trellis-demo --add --rename \\\n"
            "        --divert \"${path}.product\" \"${path}\"\n")
        string(APPEND TRELLIS_DIVERT_REMOVE
            "    dpkg-divert --package trellis-demo --remove --rename \\\n"
            "        --divert \"${path}.product\" \"${path}\"\n")
    endforeach()
    string(REGEX REPLACE "\n$" "" TRELLIS_DIVERT_ADD "${TRELLIS_DIVERT_ADD}")
    string(REGEX REPLACE "\n$" "" TRELLIS_DIVERT_REMOVE "${TRELLIS_DIVERT_REMOVE}")
    set(scripts "${CMAKE_CURRENT_BINARY_DIR}/debian/demo")
    configure_file(debian/preinst.in "${scripts}/preinst" @ONLY)
    configure_file(debian/postrm.in "${scripts}/postrm" @ONLY)
    set(CPACK_DEBIAN_DEMO_PACKAGE_CONTROL_EXTRA "${scripts}/preinst;${scripts}/postrm")
endif()

include(CPack)
