# Copies beside EXECUTABLE every DLL it needs, directly or through another,
# that one of DIRECTORIES holds; the rest are Windows' own.
#   cmake -DEXECUTABLE=tidewick.exe -DDIRECTORIES="dir;dir" -DOBJDUMP=objdump \
#         -P copy_runtime_dlls.cmake
# objdump reads a Windows program's imports on any system, so this runs in a
# cross build as in MSYS2.
cmake_minimum_required(VERSION 3.20)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${OBJDUMP})
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES ${EXECUTABLE}
  DIRECTORIES ${DIRECTORIES}
  RESOLVED_DEPENDENCIES_VAR found
  UNRESOLVED_DEPENDENCIES_VAR windows_own
  # The Universal C Runtime's API sets, which only Windows resolves, and on
  # Windows itself whatever the search finds in Windows' own folders.
  PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
  POST_EXCLUDE_REGEXES "[Ss][Yy][Ss][Tt][Ee][Mm]32" "[Ss][Yy][Ss][Ww][Oo][Ww]64")
get_filename_component(beside ${EXECUTABLE} DIRECTORY)
foreach(dll IN LISTS found)
  file(COPY ${dll} DESTINATION ${beside})
endforeach()
