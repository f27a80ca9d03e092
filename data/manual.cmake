# The user manual: docs/manual.md turned into one HTML page at build time (with cmark). It is
# placed in <build>/data beside the factory bank, in the build's LV2 bundle, and installed under
# share/orvane and in the installed bundle: wherever the plug-in looks for its factory content,
# "Read Manual" finds the page.
find_program(ORVANE_CMARK cmark)
if(NOT ORVANE_CMARK)
  message(WARNING "cmark not found: the manual is not built (\"Read Manual\" opens the web page)")
  return()
endif()

set(ORVANE_MANUAL_SOURCE ${PROJECT_SOURCE_DIR}/docs/manual.md)
set(ORVANE_MANUAL ${CMAKE_CURRENT_BINARY_DIR}/OrvaneManual.html)
set(manual_outputs ${ORVANE_MANUAL})
set(manual_copies)
if(DEFINED ORVANE_LV2_BUNDLE AND TARGET orvane_lv2)
  list(APPEND manual_outputs ${ORVANE_LV2_BUNDLE}/OrvaneManual.html)
  set(manual_copies COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANE_LV2_BUNDLE}
                    COMMAND ${CMAKE_COMMAND} -E copy ${ORVANE_MANUAL} ${ORVANE_LV2_BUNDLE}/OrvaneManual.html)
  install(FILES ${ORVANE_LV2_BUNDLE}/OrvaneManual.html DESTINATION ${ORVANE_LV2_INSTALL_DIR}/orvane.lv2)
endif()
add_custom_command(
  OUTPUT ${manual_outputs}
  COMMAND ${CMAKE_COMMAND} -DCMARK=${ORVANE_CMARK} -DINPUT=${ORVANE_MANUAL_SOURCE} -DOUTPUT=${ORVANE_MANUAL}
          -P ${PROJECT_SOURCE_DIR}/cmake/MakeManual.cmake
  ${manual_copies}
  DEPENDS ${ORVANE_MANUAL_SOURCE} ${PROJECT_SOURCE_DIR}/cmake/MakeManual.cmake
  COMMENT "Writing the user manual"
  VERBATIM)
add_custom_target(orvane_manual ALL DEPENDS ${manual_outputs})
install(FILES ${ORVANE_MANUAL} DESTINATION share/orvane)
