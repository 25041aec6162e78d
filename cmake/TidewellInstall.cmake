# What `cmake --install` puts under the prefix besides the two programs (whose
# rules sit beside their targets in src/main and src/helper): the desktop entry, the icon, the AppStream
# metainfo, the man page and the shell completions. Every destination is relative, so nothing lands outside the prefix.
set(_tidewell_packaging ${PROJECT_SOURCE_DIR}/packaging)

install(FILES ${_tidewell_packaging}/com.orvane.Tidewell.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The desktop entry, the autostart entry and the window all name the icon "tidewell".
install(FILES ${PROJECT_SOURCE_DIR}/resources/tidewell.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The tray's icon on panels that colour symbolic icons, found there by its name.
install(FILES ${_tidewell_packaging}/tidewell-symbolic.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_tidewell_packaging}/com.orvane.Tidewell.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The man page carries the version and names the helper where this build installs it.
set(TIDEWELL_MAN_HELPER "${CMAKE_INSTALL_PREFIX}/${TIDEWELL_INSTALL_HELPERDIR}/tidewell-helper")
string(REPLACE "-" "\\-" TIDEWELL_MAN_HELPER "${TIDEWELL_MAN_HELPER}")
configure_file(${_tidewell_packaging}/tidewell.1.in ${PROJECT_BINARY_DIR}/packaging/tidewell.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/tidewell.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${_tidewell_packaging}/completions/tidewell.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tidewell)
install(FILES ${_tidewell_packaging}/completions/_tidewell DESTINATION ${TIDEWELL_INSTALL_ZSHCOMPLETIONDIR})
install(FILES ${_tidewell_packaging}/completions/tidewell.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
