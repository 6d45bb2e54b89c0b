# Code outside the module names the module's headers as module/..., so that no folder of the
# host side can shadow one of the module's. Fails naming every include that reaches a module
# folder by its bare name.
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/reference_host/*.h ${SOURCE_DIR}/reference_host/*.cpp
     ${SOURCE_DIR}/sgfilter/*.h ${SOURCE_DIR}/sgfilter/*.cpp
     ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.cpp
     ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/fuzz/*.h ${SOURCE_DIR}/fuzz/*.cpp)
set(bare "")
foreach(source IN LISTS sources)
  file(STRINGS ${source} lines REGEX "^#include \"(entry|host|text|settings|filter|resources)/")
  foreach(line IN LISTS lines)
    list(APPEND bare "${source}: ${line}")
  endforeach()
endforeach()
if(bare)
  list(JOIN bare "\n" report)
  message(FATAL_ERROR "module headers included without module/:\n${report}")
endif()
