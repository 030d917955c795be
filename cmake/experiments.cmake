# The experiments of docs/experiments.txt, as CMake sees them. Their blocks
# are read by tools/blocks.sh, as tools/experiments.sh reads them, through
# cmake/experiment_source.sh; a change to the file configures the build
# again, so a new block brings its program and its tests with it.
set(experiment_source ${CMAKE_CURRENT_LIST_DIR}/experiment_source.sh)
set(experiment_list ${CMAKE_CURRENT_LIST_DIR}/../docs/experiments.txt)
get_filename_component(experiment_list ${experiment_list} ABSOLUTE)

# Sets <prefix>_NAMES to the experiments' names, in the file's order, and
# <prefix>_<NAME>_FILE and <prefix>_<NAME>_SHOT to the file each changes and
# the gallery picture it is seen in; <prefix>_<NAME>_FILE2 to its second
# file, empty for an experiment that changes one.
function(tidewick_read_experiments prefix)
  find_program(TIDEWICK_BASH bash REQUIRED)
  get_filename_component(root ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/.. ABSOLUTE)
  execute_process(COMMAND ${TIDEWICK_BASH} ${experiment_source} ${root} list
                  OUTPUT_VARIABLE listed RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not read the experiments of ${experiment_list}")
  endif()
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${experiment_list} ${experiment_source} ${root}/tools/blocks.sh)
  string(REPLACE "\n" ";" lines "${listed}")
  set(names)
  foreach(line IN LISTS lines)
    if(line STREQUAL "")
      continue()
    endif()
    string(REPLACE " " ";" fields "${line}")
    list(LENGTH fields count)
    if(NOT count EQUAL 3 AND NOT count EQUAL 4)
      message(FATAL_ERROR "An experiment of ${experiment_list} lacks its name, file or shot: ${line}")
    endif()
    list(GET fields 0 name)
    list(GET fields 1 file)
    list(GET fields 2 shot)
    set(file2)
    if(count EQUAL 4)
      list(GET fields 3 file2)
    endif()
    list(APPEND names ${name})
    set(${prefix}_${name}_FILE ${file} PARENT_SCOPE)
    set(${prefix}_${name}_SHOT ${shot} PARENT_SCOPE)
    set(${prefix}_${name}_FILE2 ${file2} PARENT_SCOPE)
  endforeach()
  set(${prefix}_NAMES ${names} PARENT_SCOPE)
endfunction()

# For each experiment, tidewick-NAME beside tidewick: the viewer with that
# one change, built as tidewick is. Its changed files (one, or two) are
# written into the build folder; every other object, of tidewick_core and of
# tidewick (main and the resources: manifest and version), is tidewick's own,
# and it links what tidewick links. Installed beside tidewick, so that it
# reads the same pictures. Sets TIDEWICK_EXPERIMENT_TARGETS to the programs'
# targets.
function(tidewick_add_experiment_programs)
  tidewick_read_experiments(experiment)
  # Each program is written again when its own block changes, not when
  # another's does.
  set(blocks ${CMAKE_BINARY_DIR}/experiments)
  execute_process(COMMAND ${TIDEWICK_BASH} ${experiment_source} ${PROJECT_SOURCE_DIR} blocks ${blocks}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not write the experiments' blocks into ${blocks}")
  endif()
  set(programs)
  foreach(name IN LISTS experiment_NAMES)
    set(files ${experiment_${name}_FILE} ${experiment_${name}_FILE2})
    set(changed)
    set(sources)
    foreach(file IN LISTS files)
      list(APPEND changed ${CMAKE_BINARY_DIR}/experiments/${name}/${file})
      list(APPEND sources ${PROJECT_SOURCE_DIR}/${file})
    endforeach()
    list(JOIN files " and " described)
    add_custom_command(
      OUTPUT ${changed}
      COMMAND ${TIDEWICK_BASH} ${experiment_source} ${PROJECT_SOURCE_DIR} write ${name} ${changed}
      DEPENDS ${sources} ${blocks}/${name}.block ${experiment_source} ${PROJECT_SOURCE_DIR}/tools/blocks.sh
      COMMENT "Writing ${described} as the experiment ${name} changes it"
      VERBATIM)
    # The objects of the files the experiment changes are left out, whether
    # the library's or tidewick's own (main's).
    list(TRANSFORM files APPEND ${CMAKE_CXX_OUTPUT_EXTENSION})
    list(JOIN files "|" unchanged)
    string(REPLACE "." "\\." unchanged "/(${unchanged})$")
    set(program tidewick-${name})
    add_executable(${program} ${changed} $<FILTER:$<TARGET_OBJECTS:tidewick_core>,EXCLUDE,${unchanged}>
                              $<FILTER:$<TARGET_OBJECTS:tidewick>,EXCLUDE,${unchanged}>)
    target_include_directories(${program} PRIVATE
                               $<TARGET_PROPERTY:tidewick_core,INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_definitions(${program} PRIVATE
                               $<TARGET_PROPERTY:tidewick_core,INTERFACE_COMPILE_DEFINITIONS>)
    target_link_libraries(${program} PRIVATE $<TARGET_PROPERTY:tidewick_core,INTERFACE_LINK_LIBRARIES>)
    target_link_options(${program} PRIVATE $<TARGET_PROPERTY:tidewick,LINK_OPTIONS>)
    if(WIN32)
      install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
    list(APPEND programs ${program})
  endforeach()
  set(TIDEWICK_EXPERIMENT_TARGETS ${programs} PARENT_SCOPE)
endfunction()
