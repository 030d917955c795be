# The experiments of docs/experiments.txt, as CMake sees them. Their blocks
# are read by tools/blocks.sh, as tools/experiments.sh reads them, through
# cmake/experiment_source.sh; a change to the file configures the build
# again, so a new block brings its program and its tests with it.
set(experiment_source ${CMAKE_CURRENT_LIST_DIR}/experiment_source.sh)
set(experiment_list ${CMAKE_CURRENT_LIST_DIR}/../docs/experiments.txt)
get_filename_component(experiment_list ${experiment_list} ABSOLUTE)

# Sets <prefix>_NAMES to the experiments' names, in the file's order, and
# <prefix>_<NAME>_FILE and <prefix>_<NAME>_SHOT to the file each changes and
# the gallery picture it is seen in.
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
    if(NOT count EQUAL 3)
      message(FATAL_ERROR "An experiment of ${experiment_list} lacks its name, file or shot: ${line}")
    endif()
    list(GET fields 0 name)
    list(GET fields 1 file)
    list(GET fields 2 shot)
    list(APPEND names ${name})
    set(${prefix}_${name}_FILE ${file} PARENT_SCOPE)
    set(${prefix}_${name}_SHOT ${shot} PARENT_SCOPE)
  endforeach()
  set(${prefix}_NAMES ${names} PARENT_SCOPE)
endfunction()

# For each experiment, tidewick-NAME beside tidewick: the viewer with that
# one change, built as tidewick is. Its changed file is written into the
# build folder; every other object, the resources (manifest and version)
# included, is tidewick's own, and it links what tidewick links. Installed
# beside tidewick, so that it reads the same pictures. Sets
# TIDEWICK_EXPERIMENT_TARGETS to the programs' targets.
function(tidewick_add_experiment_programs)
  tidewick_read_experiments(experiment)
  set(programs)
  foreach(name IN LISTS experiment_NAMES)
    set(file ${experiment_${name}_FILE})
    set(changed ${CMAKE_BINARY_DIR}/experiments/${name}/${file})
    add_custom_command(
      OUTPUT ${changed}
      COMMAND ${TIDEWICK_BASH} ${experiment_source} ${PROJECT_SOURCE_DIR} write ${name} ${changed}
      DEPENDS ${PROJECT_SOURCE_DIR}/${file} ${experiment_list} ${experiment_source}
              ${PROJECT_SOURCE_DIR}/tools/blocks.sh
      COMMENT "Writing ${file} as the experiment ${name} changes it"
      VERBATIM)
    # The library's object of the file the experiment changes is left out.
    string(REPLACE "." "\\." unchanged "/${file}${CMAKE_CXX_OUTPUT_EXTENSION}$")
    set(program tidewick-${name})
    add_executable(${program} ${changed} $<FILTER:$<TARGET_OBJECTS:tidewick_core>,EXCLUDE,${unchanged}>
                              $<TARGET_OBJECTS:tidewick>)
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
