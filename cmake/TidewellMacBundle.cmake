# macOS: Tidewell.app (no Dock icon: LSUIElement) holding TidewellHelper.app under
# Contents/Library/LoginItems, where the launch agent looks for it. Not built on Linux; these are the
# bundle properties only.
if(NOT APPLE)
    return()
endif()

set(_tidewell_plist ${PROJECT_SOURCE_DIR}/packaging/macos/Info.plist.in)

set_target_properties(tidewell PROPERTIES
    MACOSX_BUNDLE ON
    OUTPUT_NAME Tidewell
    MACOSX_BUNDLE_INFO_PLIST ${_tidewell_plist}
    MACOSX_BUNDLE_BUNDLE_NAME Tidewell
    MACOSX_BUNDLE_GUI_IDENTIFIER com.orvane.Tidewell
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
    MACOSX_BUNDLE_BUNDLE_VERSION ${TIDEWELL_BUILD_VERSION})

set_target_properties(tidewell-helper PROPERTIES
    MACOSX_BUNDLE ON
    OUTPUT_NAME TidewellHelper
    MACOSX_BUNDLE_INFO_PLIST ${_tidewell_plist}
    MACOSX_BUNDLE_BUNDLE_NAME TidewellHelper
    MACOSX_BUNDLE_GUI_IDENTIFIER com.orvane.Tidewell-Helper
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
    MACOSX_BUNDLE_BUNDLE_VERSION ${TIDEWELL_BUILD_VERSION})

# The helper's bundle goes inside the main one after each build, so the installed Tidewell.app
# carries it.
add_dependencies(tidewell tidewell-helper)
add_custom_command(TARGET tidewell POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_BUNDLE_CONTENT_DIR:tidewell>/Library/LoginItems"
    COMMAND ${CMAKE_COMMAND} -E copy_directory "$<TARGET_BUNDLE_DIR:tidewell-helper>"
            "$<TARGET_BUNDLE_CONTENT_DIR:tidewell>/Library/LoginItems/TidewellHelper.app")
