# Where `cmake --install` puts the programs, and how each finds the other from there. The main
# program looks for the helper beside itself first (the build folder's layout), then in
# TIDEWELL_INSTALL_HELPERDIR; the helper looks for the main program the same way the other way
# round. Both relative folders come from the same variables as the install rules, so the two agree.
include(GNUInstallDirs)

set(TIDEWELL_INSTALL_HELPERDIR "${CMAKE_INSTALL_LIBEXECDIR}/tidewell"
    CACHE STRING "Where tidewell-helper is installed, relative to the prefix")

file(RELATIVE_PATH _tidewell_helper_from_program "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}"
     "${CMAKE_INSTALL_PREFIX}/${TIDEWELL_INSTALL_HELPERDIR}")
file(RELATIVE_PATH _tidewell_program_from_helper "${CMAKE_INSTALL_PREFIX}/${TIDEWELL_INSTALL_HELPERDIR}"
     "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${TIDEWELL_INSTALL_HELPERDIR}")
    message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and TIDEWELL_INSTALL_HELPERDIR must be relative to the prefix, "
                        "so that a package can move the prefix")
endif()

# Linked by the code that looks the programs up (src/platform/InstallLayout.cpp).
add_library(tidewell_install_layout INTERFACE)
target_compile_definitions(tidewell_install_layout INTERFACE
    TIDEWELL_HELPER_DIR_FROM_PROGRAM="${_tidewell_helper_from_program}"
    TIDEWELL_PROGRAM_DIR_FROM_HELPER="${_tidewell_program_from_helper}")

# zsh reads vendor completions from share/zsh/vendor-completions on Debian (for /usr) and from
# share/zsh/site-functions elsewhere (for /usr/local and other prefixes).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(_tidewell_zsh_default "${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions")
else()
    set(_tidewell_zsh_default "${CMAKE_INSTALL_DATADIR}/zsh/site-functions")
endif()
set(TIDEWELL_INSTALL_ZSHCOMPLETIONDIR "${_tidewell_zsh_default}"
    CACHE STRING "Where the zsh completion is installed, relative to the prefix")
