# Renders the guide, the Markdown pages of docs/ as HTML pages that open
# offline, into OUTPUT_DIR: guide.html, the entry page, and the folder guide/
# with everything else. docs/CMakeLists.txt runs it at build time:
#   cmake -DPANDOC=<pandoc> -DSOURCE_DIR=<checkout> -DOUTPUT_DIR=<folder>
#         -DSTAMP=<file> -DDEPFILE=<file> [-DWORKSHEET=<file>] -P build_guide.cmake
# Every docs/*.md is rendered, then whatever the pages link to, until nothing
# new is linked: pandoc renders each page with guide.lua, which says where
# each linked file lands in the guide and prints it. DEPFILE lists what was
# read, the folders among it, so that a new page or picture counts too.
cmake_minimum_required(VERSION 3.20)
set(here ${CMAKE_CURRENT_LIST_DIR})
# The entry page lists these first, in this order: what learners use, then
# the teacher's page; every other page, for contributors, follows.
set(first_pages lesson controls tour experiments pipeline classroom)

file(REMOVE_RECURSE ${OUTPUT_DIR})
file(MAKE_DIRECTORY ${OUTPUT_DIR}/guide)
set(empty ${OUTPUT_DIR}.empty.md)
file(WRITE ${empty} "")
set(read ${SOURCE_DIR}/docs ${here}/guide.lua ${here}/page.html ${here}/guide.css ${here}/entry.md
         ${CMAKE_CURRENT_LIST_FILE})

# Renders one page with pandoc and guide.lua in MODE (see guide.lua), and
# queues what it links to that is not yet done or queued.
function(render mode input source output)
  get_filename_component(folder ${OUTPUT_DIR}/${output} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  execute_process(
    COMMAND ${PANDOC} -f gfm -t html5 --standalone --template=${here}/page.html --lua-filter=${here}/guide.lua
            -M guide-mode=${mode} -M guide-root=${SOURCE_DIR} -M guide-source=${source} -M guide-output=${output}
            ${ARGN} -o ${OUTPUT_DIR}/${output} ${input}
    OUTPUT_VARIABLE printed RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "pandoc could not render ${source} into ${output}")
  endif()
  string(REPLACE "\n" ";" lines "${printed}")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([a-z]+)\t([^\t]*)\t(.*)$")
      continue()
    endif()
    set(kind ${CMAKE_MATCH_1})
    if(kind STREQUAL "missing" OR kind STREQUAL "outside")
      message(WARNING "${source} links ${CMAKE_MATCH_2}, which the checkout does not have: "
                      "the guide's link leads nowhere")
    elseif(NOT "${CMAKE_MATCH_2}" IN_LIST seen)
      list(APPEND seen ${CMAKE_MATCH_2})
      list(APPEND queue "${line}")
    endif()
  endforeach()
  set(seen ${seen} PARENT_SCOPE)
  set(queue ${queue} PARENT_SCOPE)
endfunction()

# The entry page lists the pages, the first ones first.
function(render_entry)
  set(first)
  set(rest ${pages})
  foreach(name IN LISTS first_pages)
    if(docs/${name}.md IN_LIST rest)
      list(APPEND first -M guide-first=docs/${name}.md)
      list(REMOVE_ITEM rest docs/${name}.md)
    endif()
  endforeach()
  list(TRANSFORM rest PREPEND "-M;guide-rest=")
  render(entry ${here}/entry.md guide.md guide.html ${first} ${rest})
  set(seen ${seen} PARENT_SCOPE)
  set(queue ${queue} PARENT_SCOPE)
endfunction()

# Rendering the entry page first queues every page of docs/; pages they link
# elsewhere (the README) join it afterwards.
file(GLOB pages RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/docs/*.md)
list(SORT pages)
set(seen)
set(queue)
render_entry()
set(more_pages)

set(pictures)
while(queue)
  list(POP_FRONT queue item)
  string(REPLACE "\t" ";" item "${item}")
  list(GET item 0 kind)
  list(GET item 1 path)
  list(GET item 2 output)
  list(APPEND read ${SOURCE_DIR}/${path})
  if(kind STREQUAL "page")
    render(page ${SOURCE_DIR}/${path} ${path} ${output})
    if(NOT path IN_LIST pages)
      list(APPEND pages ${path})
      set(more_pages ON)
    endif()
  elseif(kind STREQUAL "source")
    render(source ${empty} ${path} ${output})
  elseif(kind STREQUAL "folder")
    file(GLOB entries LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/${path} ${SOURCE_DIR}/${path}/*)
    list(SORT entries)
    set(listed)
    foreach(entry IN LISTS entries)
      if(entry MATCHES "^[.]")
        continue()
      elseif(IS_DIRECTORY ${SOURCE_DIR}/${path}/${entry})
        string(APPEND entry /)
      endif()
      list(APPEND listed -M "guide-entries=${entry}")
    endforeach()
    render(folder ${empty} ${path} ${output} ${listed})
  elseif(kind STREQUAL "picture")
    list(APPEND pictures "${path}\t${output}")
  endif()
endwhile()

# Copied byte for byte: the guide shows the gallery's own files.
foreach(picture IN LISTS pictures)
  string(REPLACE "\t" ";" picture "${picture}")
  list(GET picture 0 path)
  list(GET picture 1 output)
  get_filename_component(folder ${OUTPUT_DIR}/${output} DIRECTORY)
  file(COPY ${SOURCE_DIR}/${path} DESTINATION ${folder})
endforeach()

if(more_pages)
  render_entry()
endif()
file(COPY ${here}/guide.css DESTINATION ${OUTPUT_DIR}/guide)
file(REMOVE ${empty})

list(REMOVE_DUPLICATES read)
set(depends)
foreach(file IN LISTS read)
  string(REPLACE " " "\\ " file "${file}")
  string(APPEND depends " \\\n  ${file}")
endforeach()
string(REPLACE " " "\\ " target "${STAMP}")
file(WRITE ${DEPFILE} "${target}:${depends}\n")
file(TOUCH ${STAMP})

# The worksheet is printed from lesson.html, which shows pictures of the
# guide's gallery alone and takes its look from guide.css. WORKSHEET holds
# their digests and is written only when they change, so that a change to a
# page or a source file the guide links renders the guide again without
# printing the worksheet again.
if(WORKSHEET)
  file(GLOB_RECURSE shown ${OUTPUT_DIR}/guide/gallery/*)
  list(SORT shown)
  set(digests)
  foreach(file ${OUTPUT_DIR}/guide/lesson.html ${OUTPUT_DIR}/guide/guide.css ${shown})
    file(SHA256 ${file} digest)
    file(RELATIVE_PATH file ${OUTPUT_DIR} ${file})
    string(APPEND digests "${digest}  ${file}\n")
  endforeach()
  set(before)
  if(EXISTS ${WORKSHEET})
    file(READ ${WORKSHEET} before)
  endif()
  if(NOT before STREQUAL digests)
    file(WRITE ${WORKSHEET} "${digests}")
  endif()
endif()
