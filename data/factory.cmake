# The factory bank: generated at build time from its readable source by orvane-bankgen,
# placed in <build>/data (where the shell finds it next to <build>/bin) and installed under
# share/orvane, from where the shell seeds the data folder on first use.
set(ORVANE_FACTORY_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/factory-bank.txt)
set(ORVANE_FACTORY_BANK "${CMAKE_CURRENT_BINARY_DIR}/00 Factory.fxb")
add_custom_command(
  OUTPUT ${ORVANE_FACTORY_BANK}
  COMMAND orvane-bankgen ${ORVANE_FACTORY_SOURCE} ${ORVANE_FACTORY_BANK}
  DEPENDS orvane-bankgen ${ORVANE_FACTORY_SOURCE}
  COMMENT "Generating the factory bank"
  VERBATIM)
add_custom_target(orvane_factory_data ALL DEPENDS ${ORVANE_FACTORY_BANK})
install(FILES ${ORVANE_FACTORY_BANK} DESTINATION share/orvane)
