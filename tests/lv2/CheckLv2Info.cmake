# Runs lv2info on the build-tree folder of bundles and checks what an independent host sees:
# no complaint from lilv about the folder, 344 control inputs, two audio inputs, two audio
# outputs, one atom input and two control outputs, 351 ports in all.
set(ENV{LV2_PATH} ${LV2_PATH})
execute_process(COMMAND ${LV2INFO} urn:tirsk-audio:orvane
                OUTPUT_VARIABLE info RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "lv2info failed (${result})")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "lilv complains about ${LV2_PATH}:\n${errors}")
endif()

string(REGEX MATCHALL "\n\tPort [0-9]+:" ports "${info}")
list(LENGTH ports portCount)

# lv2info prints a port's two type lines in either order; count both orders.
set(lv2core "http://lv2plug.in/ns/lv2core#")
set(gap "\n[\t ]+")
macro(count_types var first second)
  string(REGEX MATCHALL "${first}${gap}${second}" _a "${info}")
  string(REGEX MATCHALL "${second}${gap}${first}" _b "${info}")
  set(${var} ${_a} ${_b})
endmacro()
count_types(controlIn "${lv2core}ControlPort" "${lv2core}InputPort")
count_types(controlOut "${lv2core}ControlPort" "${lv2core}OutputPort")
count_types(audioIn "${lv2core}AudioPort" "${lv2core}InputPort")
count_types(audioOut "${lv2core}AudioPort" "${lv2core}OutputPort")
count_types(atomIn "atom#AtomPort" "${lv2core}InputPort")
foreach(kind controlIn controlOut audioIn audioOut atomIn)
  list(LENGTH ${kind} ${kind}Count)
endforeach()

if(NOT info MATCHES "Name: +Orvane\n")
  message(FATAL_ERROR "lv2info does not name the plug-in Orvane")
endif()
if(NOT portCount EQUAL 351 OR NOT controlInCount EQUAL 344 OR NOT controlOutCount EQUAL 2
   OR NOT audioInCount EQUAL 2 OR NOT audioOutCount EQUAL 2 OR NOT atomInCount EQUAL 1)
  message(FATAL_ERROR "unexpected ports: ${portCount} in all, ${controlInCount} control in, "
                      "${controlOutCount} control out, ${audioInCount} audio in, "
                      "${audioOutCount} audio out, ${atomInCount} atom in")
endif()
foreach(symbol Chain1 Chain8 MmFilterType LevelMeterL LevelMeterR)
  if(NOT info MATCHES "Symbol: +${symbol}\n")
    message(FATAL_ERROR "no port with the symbol ${symbol}")
  endif()
endforeach()
message(STATUS "lv2info: 351 ports as expected")
