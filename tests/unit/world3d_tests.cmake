# Unit tests of what moves and is loaded in the 3D world: MD2 models.
# Included from tests/unit/CMakeLists.txt.

set(VX_WORLD3D_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(world3d_tests
  ${VX_WORLD3D_TEST_DIR}/md2_test.cpp
  ${VX_WORLD3D_TEST_DIR}/md2_loader_test.cpp
)
target_link_libraries(world3d_tests PRIVATE vexel_runtime GTest::gtest_main)
target_compile_definitions(world3d_tests PRIVATE VX_TEST_MEDIA_DIR="${VX_TEST_MEDIA_DIR}")
gtest_discover_tests(world3d_tests PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy" ${VX_MEDIA_TEST_PROPERTIES})
