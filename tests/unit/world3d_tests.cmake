# Unit tests of what moves and is loaded in the 3D world: the swept-sphere
# tests, the collision tree, animation, the mesh builder, model files and
# skinned meshes; X and 3DS files; terrains.
# Included from tests/unit/CMakeLists.txt.

set(VX_WORLD3D_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(world3d_tests
  ${VX_WORLD3D_TEST_DIR}/animation_test.cpp
  ${VX_WORLD3D_TEST_DIR}/collision_test.cpp
  ${VX_WORLD3D_TEST_DIR}/collider_test.cpp
  ${VX_WORLD3D_TEST_DIR}/collision_commands_test.cpp
  ${VX_WORLD3D_TEST_DIR}/model_files_test.cpp
  ${VX_WORLD3D_TEST_DIR}/sprite_plane_test.cpp
  ${VX_WORLD3D_TEST_DIR}/world_update_test.cpp
  ${VX_WORLD3D_TEST_DIR}/foreign_models_test.cpp
  ${VX_WORLD3D_TEST_DIR}/terrain_grid_test.cpp
  ${VX_WORLD3D_TEST_DIR}/terrain_collision_test.cpp
)
target_link_libraries(world3d_tests PRIVATE vexel_runtime GTest::gtest_main)
target_compile_definitions(world3d_tests PRIVATE VX_TEST_MEDIA_DIR="${VX_TEST_MEDIA_DIR}")
gtest_discover_tests(world3d_tests TEST_FILTER "-ForeignModelMedia.*" PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy")
gtest_discover_tests(world3d_tests TEST_FILTER "ForeignModelMedia.*" TEST_SUFFIX ".media"
  PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy" ${VX_MEDIA_TEST_PROPERTIES})
