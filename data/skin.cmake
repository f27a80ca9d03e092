# The built-in skin: drawn at build time by orvane-skingen into <build>/data/Skins/default (where
# the editor finds it beside the factory bank) and into the LV2 bundle's Skins/default, and
# installed under share/orvane/Skins/default and with the bundle, from where the editor seeds the
# data folder on first use. Its glyphs are rendered from the DejaVu fonts (fonts-dejavu-core).
find_path(ORVANE_DEJAVU_DIR DejaVuSans.ttf
          PATHS /usr/share/fonts/truetype/dejavu /usr/share/fonts/dejavu /usr/share/fonts/TTF
          DOC "Folder holding DejaVuSans.ttf and DejaVuSans-Bold.ttf")
if(NOT ORVANE_DEJAVU_DIR)
  message(FATAL_ERROR "The DejaVu fonts (fonts-dejavu-core) are needed to draw the built-in skin")
endif()
set(ORVANE_SKIN_DIR ${CMAKE_CURRENT_BINARY_DIR}/Skins/default)
set(skin_outputs ${ORVANE_SKIN_DIR}/SkinParameters.txt)
set(skin_commands
  # Font lookups keep FreeType's caches until exit; in a sanitizer build that is no fault of the
  # generator's, so leak checking is off for this one step.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:orvane-skingen> ${ORVANE_SKIN_DIR}
          --fonts ${ORVANE_DEJAVU_DIR})
if(TARGET orvane_lv2 AND ORVANE_LV2_BUNDLE)
  # The bundle carries the skin beside its module, as it carries the factory bank.
  list(APPEND skin_outputs ${ORVANE_LV2_BUNDLE}/Skins/default/SkinParameters.txt)
  list(APPEND skin_commands
    COMMAND ${CMAKE_COMMAND} -E remove_directory ${ORVANE_LV2_BUNDLE}/Skins/default
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${ORVANE_SKIN_DIR} ${ORVANE_LV2_BUNDLE}/Skins/default)
  install(DIRECTORY ${ORVANE_SKIN_DIR} DESTINATION ${ORVANE_LV2_INSTALL_DIR}/orvane.lv2/Skins)
endif()
add_custom_command(
  OUTPUT ${skin_outputs}
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${ORVANE_SKIN_DIR}
  ${skin_commands}
  DEPENDS orvane-skingen
  COMMENT "Drawing the built-in skin"
  VERBATIM)
add_custom_target(orvane_skin_data ALL DEPENDS ${skin_outputs})
install(DIRECTORY ${ORVANE_SKIN_DIR} DESTINATION share/orvane/Skins)

# The editor's tests open the built skin: building them draws it first.
function(_orvane_skin_attach_tests)
  if(TARGET orvane_editor_tests)
    add_dependencies(orvane_editor_tests orvane_skin_data)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _orvane_skin_attach_tests)
