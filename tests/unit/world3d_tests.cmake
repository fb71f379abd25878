# Unit tests of what moves in the 3D world: the swept-sphere tests and the
# collision tree.
# Included from tests/unit/CMakeLists.txt.

set(VX_WORLD3D_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(world3d_tests
  ${VX_WORLD3D_TEST_DIR}/collision_test.cpp
  ${VX_WORLD3D_TEST_DIR}/collider_test.cpp
  ${VX_WORLD3D_TEST_DIR}/collision_commands_test.cpp
  ${VX_WORLD3D_TEST_DIR}/world_update_test.cpp
)
target_link_libraries(world3d_tests PRIVATE vexel_runtime GTest::gtest_main)
gtest_discover_tests(world3d_tests PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy")
