# vx_add_module(NAME [ALLOW_UNDEFINED] SOURCES...): builds C sources into a
# module file NAME.vxm with vxmod. Module code is position-dependent 32-bit
# code that calls only what the runtime registers, so it is built
# freestanding; ALLOW_UNDEFINED lets it name what the runtime lacks.
set(VX_MODULE_C_FLAGS
  -m32 -O2 -fno-pic -fno-pie -ffreestanding -fno-builtin -fno-stack-protector
  -fno-asynchronous-unwind-tables -fcf-protection=none -mfpmath=387)

function(vx_add_module name)
  cmake_parse_arguments(ARG "ALLOW_UNDEFINED" "" "" ${ARGN})
  set(vxmod_options)
  if(ARG_ALLOW_UNDEFINED)
    set(vxmod_options --allow-undefined)
  endif()
  add_library(${name}_objects OBJECT ${ARG_UNPARSED_ARGUMENTS})
  target_compile_options(${name}_objects PRIVATE ${VX_MODULE_C_FLAGS})
  target_include_directories(${name}_objects PRIVATE ${VX_SDK_INCLUDE_DIR})
  add_dependencies(${name}_objects vexel_sdk_header)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}.vxm)
  add_custom_command(OUTPUT ${out}
    COMMAND vxmod ${vxmod_options} -o ${out} $<TARGET_OBJECTS:${name}_objects>
    DEPENDS vxmod ${name}_objects $<TARGET_OBJECTS:${name}_objects>
    COMMAND_EXPAND_LISTS
    COMMENT "Building module ${name}.vxm")
  add_custom_target(${name} ALL DEPENDS ${out})
endfunction()
