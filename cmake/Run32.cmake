# 32-bit programs run natively where the kernel supports them; elsewhere (a 64-bit kernel built
# without 32-bit support) they run under qemu's user-mode emulator. SG_RUN32 is the command prefix
# that runs one of our programs: empty when none is needed.
set(_probe_dir ${CMAKE_BINARY_DIR}/run32-probe)
file(WRITE ${_probe_dir}/probe.cpp "int main() { return sizeof(void*) == 4 ? 0 : 1; }\n")
try_run(_probe_run _probe_compile ${_probe_dir} ${_probe_dir}/probe.cpp
        COMPILE_DEFINITIONS -m32 LINK_OPTIONS -m32)
if(NOT _probe_compile)
  message(FATAL_ERROR "cannot build 32-bit x86 programs: install g++-multilib")
endif()
if(_probe_run EQUAL 0)
  set(SG_RUN32 "")
else()
  find_program(SG_QEMU_I386 qemu-i386 REQUIRED)
  message(STATUS "32-bit programs cannot run natively here; running them under ${SG_QEMU_I386}")
  set(SG_RUN32 ${SG_QEMU_I386})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SG_QEMU_I386})
endif()
file(WRITE ${CMAKE_BINARY_DIR}/run32 "${SG_RUN32}\n")
