# The built-in skin: drawn at build time by orvane-skingen into <build>/data/Skins/default (where
# the editor finds it beside the factory bank) and installed under share/orvane/Skins/default,
# from where the editor seeds the data folder on first use.
set(ORVANE_SKIN_DIR ${CMAKE_CURRENT_BINARY_DIR}/Skins/default)
add_custom_command(
  OUTPUT ${ORVANE_SKIN_DIR}/SkinParameters.txt
  # Font lookups keep fontconfig's caches until exit; in a sanitizer build that is no fault of
  # the generator's, so leak checking is off for this one step.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:orvane-skingen> ${ORVANE_SKIN_DIR}
  DEPENDS orvane-skingen
  COMMENT "Drawing the built-in skin"
  VERBATIM)
add_custom_target(orvane_skin_data ALL DEPENDS ${ORVANE_SKIN_DIR}/SkinParameters.txt)
install(DIRECTORY ${ORVANE_SKIN_DIR} DESTINATION share/orvane/Skins)
