# An installed renderer finds what it needs under the prefix. Installs the build tree into a
# staging folder (DESTDIR, so that nothing lands outside it), then runs the installed
# orvane-render with an empty home folder and no factory override: --program 3 must take
# program 3 of the factory bank, which the renderer seeds into the new data folder.
#   cmake -DBUILD_DIR=<build> -DWORK=<scratch folder> -P InstallTest.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/home)
set(prefix /opt/orvane)
set(stage ${WORK}/stage)

set(ENV{DESTDIR} ${stage})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
unset(ENV{DESTDIR})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}): ${err}")
endif()
set(tool ${stage}${prefix}/bin/orvane-render)
foreach(installed ${tool} "${stage}${prefix}/share/orvane/00 Factory.fxb"
                  ${stage}${prefix}/share/orvane/Skins/default/SkinParameters.txt
                  ${stage}${prefix}/share/orvane/Skins/default/Background.png)
  if(NOT EXISTS ${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# The renderer as a new user runs it: only HOME says where the data folder goes.
set(run ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME --unset=ORVANE_FACTORY_DIR HOME=${WORK}/home ${tool})
function(render expect_rc)
  execute_process(COMMAND ${run} ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE code
                  OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT code EQUAL expect_rc)
    message(FATAL_ERROR "orvane-render ${ARGN}: exit ${code}, expected ${expect_rc}: ${stderr}")
  endif()
  set(stdout "${stdout}" PARENT_SCOPE)
endfunction()

render(0 --quiet --demo ${WORK}/in.wav)
render(0 --quiet --program 3 ${WORK}/in.wav ${WORK}/out.wav)
if(NOT EXISTS ${WORK}/out.wav)
  message(FATAL_ERROR "no output was written")
endif()
if(NOT EXISTS "${WORK}/home/.local/share/Tirsk Audio/OrvaneData/00 Factory.fxb")
  message(FATAL_ERROR "the factory bank was not seeded into the new data folder")
endif()
render(0 --program 3 --print-state)
set(program3 "${stdout}")
render(0 --print-state)
if(program3 STREQUAL stdout)
  message(FATAL_ERROR "--program 3 gave the product defaults")
endif()
render(0 --list-programs)
string(REGEX MATCH "\n 3  [^\n]*" line "\n${stdout}")
if(line MATCHES "Init")
  message(FATAL_ERROR "program 3 of the installed factory bank has no name: ${line}")
endif()

# The AAX bundle, where it was built: the whole bundle is installed and its module loads in the
# host simulator.
set(aax ${stage}${prefix}/lib/aax/Orvane.aaxplugin/Contents)
if(EXISTS ${BUILD_DIR}/bin/orvane-aax-host)
  foreach(installed ${aax}/x86_64-linux/Orvane.aaxplugin "${aax}/data/00 Factory.fxb"
                    ${aax}/data/Skins/default/SkinParameters.txt)
    if(NOT EXISTS ${installed})
      message(FATAL_ERROR "not installed: ${installed}")
    endif()
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${WORK}/home ${BUILD_DIR}/bin/orvane-aax-host
                          ${aax}/x86_64-linux/Orvane.aaxplugin describe
                  RESULT_VARIABLE code OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT code EQUAL 0 OR NOT stdout MATCHES "Tirsk Audio")
    message(FATAL_ERROR "the installed AAX module does not load: ${code} ${stderr}")
  endif()
endif()
