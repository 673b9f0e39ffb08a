# Holds the sources to the layering of the libraries:
#   cmake -DROOT=<source tree> -P cmake/CheckLayers.cmake
# Every directory may include headers of the directories listed for it and
# of nothing above them; layout and painting never test an item's kind (items
# measure, lay out and paint themselves). Fails with one line per fault.

if(NOT ROOT)
  message(FATAL_ERROR "CheckLayers: ROOT is not set")
endif()

set(lower "platform style model interchange")
set(core "${lower} layout view edit table items rtf spell access")
# directory: the directories its sources may include from
set(LAYERS
  "platform: platform"
  "platform/headless: platform platform/headless"
  "platform/qt: platform platform/qt"
  "style: platform style"
  "model: platform style model"
  "interchange: ${lower}"
  "layout: ${lower} layout"
  "view: ${lower} layout view"
  "edit: ${lower} layout view edit"
  "table: ${lower} layout view edit table"
  "items: ${lower} layout items"
  "rtf: ${lower} layout view edit table items rtf"
  "spell: ${lower} layout view edit table spell"
  "access: ${lower} layout view edit table items access"
  "app: ${core} app"
  "print: ${core} platform/qt print"
  "tools/lectern: ${core} app platform/headless platform/qt print tools/lectern"
  "terrabook: ${core} app platform/qt print terrabook")

# Item kinds are asked through virtual operations and numbered queries there.
set(KIND_FREE layout view)
set(KIND_TEST "(ltik[A-Z][A-Za-z]*|StyleNo *[!=]= *[-(A-Za-z0-9]|case ltik|dynamic_cast<[^>]*ItemInfo)")

set(faults "")
foreach(entry IN LISTS LAYERS)
  string(REGEX MATCH "^([^:]+): *(.*)$" _ "${entry}")
  set(dir "${CMAKE_MATCH_1}")
  separate_arguments(allowed UNIX_COMMAND "${CMAKE_MATCH_2}")
  if(NOT IS_DIRECTORY "${ROOT}/${dir}")
    continue()
  endif()
  file(GLOB sources "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name "${ROOT}" "${source}")
    file(STRINGS "${source}" includes REGEX "^#include \"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"([^\"]+)/[^/\"]+\"" _ "${line}")
      set(target "${CMAKE_MATCH_1}")
      if(target STREQUAL "")
        continue()
      endif()
      list(FIND allowed "${target}" found)
      if(found EQUAL -1)
        string(APPEND faults "${name}: ${line} reaches a layer above ${dir}/\n")
      endif()
    endforeach()
    list(FIND KIND_FREE "${dir}" kindFree)
    if(NOT kindFree EQUAL -1)
      file(STRINGS "${source}" kindLines REGEX "${KIND_TEST}")
      foreach(line IN LISTS kindLines)
        string(STRIP "${line}" line)
        if(NOT line MATCHES "^//")
          string(APPEND faults "${name}: tests an item's kind: ${line}\n")
        endif()
      endforeach()
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Layering faults:\n${faults}")
endif()
message(STATUS "Layering holds in ${ROOT}")
