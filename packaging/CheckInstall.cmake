# Installs the build in BUILD into the scratch prefix PREFIX and checks the
# result as a desktop and the installed programs would use it: the two
# programs, the desktop entry with its icon, and the data folder, whose
# table and sample template the installed tool must be able to merge.
#   cmake -DBUILD=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share -P CheckInstall.cmake

foreach(var BUILD PREFIX BINDIR DATADIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckInstall.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

set(data ${PREFIX}/${DATADIR})
foreach(program terrabook lectern)
  if(NOT EXISTS ${PREFIX}/${BINDIR}/${program} OR IS_DIRECTORY ${PREFIX}/${BINDIR}/${program})
    message(FATAL_ERROR "${PREFIX}/${BINDIR}/${program} was not installed")
  endif()
endforeach()
foreach(file applications/terrabook.desktop icons/hicolor/scalable/apps/terrabook.svg
             terrabook/Terra.db terrabook/terrabook.ltf)
  if(NOT EXISTS ${data}/${file})
    message(FATAL_ERROR "${data}/${file} was not installed")
  endif()
endforeach()

# The entry names the program and the icon by the names installed above.
file(STRINGS ${data}/applications/terrabook.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Terrabook" "Exec=terrabook" "Icon=terrabook"
             "Categories=Office;WordProcessor;")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks the line ${line}")
  endif()
endforeach()
find_program(validate desktop-file-validate)
if(validate)
  execute_process(COMMAND ${validate} ${data}/applications/terrabook.desktop
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate refuses the entry:\n${out}")
  endif()
endif()
file(READ ${data}/icons/hicolor/scalable/apps/terrabook.svg icon LIMIT 200)
if(NOT icon MATCHES "<svg")
  message(FATAL_ERROR "the icon is not an SVG picture")
endif()

# The installed data work together: one country's report from them.
execute_process(COMMAND ${PREFIX}/${BINDIR}/lectern merge ${data}/terrabook/terrabook.ltf ${data}/terrabook/Terra.db
                        --country Chile ${PREFIX}/chile.txt
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed lectern cannot merge the installed data (${rc}):\n${out}")
endif()
file(STRINGS ${PREFIX}/chile.txt first LIMIT_COUNT 1)
string(STRIP "${first}" first)
if(NOT first STREQUAL "Country report: Chile")
  message(FATAL_ERROR "the report from the installed data starts with \"${first}\"")
endif()
file(REMOVE_RECURSE ${PREFIX})
