# sgfilter's folders stand in layers, each including only folders of lower layers: the formats know
# the input seam and nothing above it, the host side knows no format, and only the commands know
# the list of formats. Fails naming every include that reaches sideways or up.
set(layers
    "util"
    "io"
    "input;output"
    "staging"
    "csv;edf;wfdb;brainvision;plot;stagesettings;progress"
    "recording"
    "formats"
    "cli"
    "view"
    "sample")
set(rank 0)
foreach(layer IN LISTS layers)
  foreach(folder IN LISTS layer)
    set(rank_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/sgfilter ${SOURCE_DIR}/sgfilter/*)
set(wrong "")
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/sgfilter/${folder})
    continue()
  endif()
  if(NOT DEFINED rank_${folder})
    list(APPEND wrong "sgfilter/${folder}/ has no layer: add it to tests/SgfilterLayers.cmake")
    continue()
  endif()
  file(GLOB_RECURSE sources ${SOURCE_DIR}/sgfilter/${folder}/*.h ${SOURCE_DIR}/sgfilter/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^#include \"[a-z]+/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" included "${line}")
      if(included STREQUAL folder OR NOT DEFINED rank_${included})
        continue()  # its own folder, or another project's (module/, refhost/)
      endif()
      if(NOT rank_${included} LESS rank_${folder})
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
        list(APPEND wrong "${shown}: ${line} (${included}/ is not below ${folder}/)")
      endif()
    endforeach()
  endforeach()
endforeach()
if(wrong)
  list(JOIN wrong "\n" report)
  message(FATAL_ERROR "sgfilter includes across its layers:\n${report}")
endif()
