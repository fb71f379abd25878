# Unit tests for the module toolchain (vxmod, vxbundle and its stripping) and
# for finding the module bytes (src/runtime/module_source.cpp). Included from
# tests/unit/CMakeLists.txt; needs the vxmod_core, vxmod and vxbundle targets.

set(VX_TOOLS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VX_TOOLS_FIXTURE_DIR ${CMAKE_CURRENT_BINARY_DIR}/vxmod_fixtures)

# Compiled the way module code is compiled.
set(VX_TOOLS_FIXTURE_FLAGS
  -m32 -O2 -fno-pic -fno-pie -ffreestanding -fno-stack-protector
  -fno-asynchronous-unwind-tables -fcf-protection=none)

# vx_tools_fixture(NAME [EXTRA_FLAGS...]): fixtures/NAME.c -> NAME.o
function(vx_tools_fixture name)
  set(out ${VX_TOOLS_FIXTURE_DIR}/${name}.o)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VX_TOOLS_FIXTURE_DIR}
    COMMAND ${CMAKE_C_COMPILER} ${VX_TOOLS_FIXTURE_FLAGS} ${ARGN}
            -c ${VX_TOOLS_TEST_DIR}/fixtures/${name}.c -o ${out}
    DEPENDS ${VX_TOOLS_TEST_DIR}/fixtures/${name}.c
    COMMENT "Compiling vxmod test fixture ${name}.o"
    VERBATIM)
endfunction()

vx_tools_fixture(vxmod_main)
vx_tools_fixture(vxmod_helper)
vx_tools_fixture(vxmod_weak)
vx_tools_fixture(vxmod_common -fcommon)
vx_tools_fixture(vxmod_pic -fpic)

# The same program as vxmod_main.o + vxmod_helper.o, relinked by ld -r.
add_custom_command(OUTPUT ${VX_TOOLS_FIXTURE_DIR}/vxmod_combined.o
  COMMAND ${CMAKE_LINKER} -m elf_i386 -r -o ${VX_TOOLS_FIXTURE_DIR}/vxmod_combined.o
          ${VX_TOOLS_FIXTURE_DIR}/vxmod_main.o ${VX_TOOLS_FIXTURE_DIR}/vxmod_helper.o
  DEPENDS ${VX_TOOLS_FIXTURE_DIR}/vxmod_main.o ${VX_TOOLS_FIXTURE_DIR}/vxmod_helper.o
  COMMENT "Relinking vxmod test fixture vxmod_combined.o"
  VERBATIM)

add_custom_target(vxmod_test_fixtures DEPENDS
  ${VX_TOOLS_FIXTURE_DIR}/vxmod_main.o
  ${VX_TOOLS_FIXTURE_DIR}/vxmod_helper.o
  ${VX_TOOLS_FIXTURE_DIR}/vxmod_weak.o
  ${VX_TOOLS_FIXTURE_DIR}/vxmod_common.o
  ${VX_TOOLS_FIXTURE_DIR}/vxmod_pic.o
  ${VX_TOOLS_FIXTURE_DIR}/vxmod_combined.o)

add_executable(vxmod_test ${VX_TOOLS_TEST_DIR}/vxmod_test.cpp)
target_link_libraries(vxmod_test PRIVATE vxmod_core GTest::gtest_main)
target_compile_definitions(vxmod_test PRIVATE
  VX_FIXTURE_DIR="${VX_TOOLS_FIXTURE_DIR}"
  VXMOD_PATH="$<TARGET_FILE:vxmod>")
add_dependencies(vxmod_test vxmod vxmod_test_fixtures)
gtest_discover_tests(vxmod_test)

add_executable(module_source_test ${VX_TOOLS_TEST_DIR}/module_source_test.cpp)
target_link_libraries(module_source_test PRIVATE vexel_module_source vxbundle_strip GTest::gtest_main)
target_compile_definitions(module_source_test PRIVATE
  VXBUNDLE_PATH="$<TARGET_FILE:vxbundle>"
  VXRUN_PATH="$<TARGET_FILE:vxrun>")
add_dependencies(module_source_test vxbundle vxrun)
gtest_discover_tests(module_source_test)
