# Shared build settings: language level, warnings, sanitizers, ccache.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

find_program(LECTERN_CCACHE ccache)
if(LECTERN_CCACHE)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${LECTERN_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${LECTERN_CCACHE})
endif()

set(LECTERN_WARNINGS -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor
    -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(LECTERN_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
      -Woverloaded-virtual -Wimplicit-fallthrough -Wno-unused-parameter)
endif()

if(LECTERN_SANITIZE OR LECTERN_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(LECTERN_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(LECTERN_FUZZ)
  # Library code gets coverage instrumentation; the fuzz targets link the driver.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

find_package(PkgConfig REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
find_package(SQLite3 REQUIRED)

# lectern_library(name SOURCES ... DEPS ...): one static library per directory,
# its headers reached as "dir/Header.h" from the project root.
function(lectern_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${LECTERN_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()
