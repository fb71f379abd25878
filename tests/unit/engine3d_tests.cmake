# Unit tests of the 3D math, the scene graph, the entity commands, textures,
# brushes and meshes.
# Included from tests/unit/CMakeLists.txt.

set(VX_ENGINE3D_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(engine3d_tests
  ${VX_ENGINE3D_TEST_DIR}/math3d_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/frustum_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/scene_graph_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/entity_commands_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/texture_brush_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/mesh_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/scene_device_test.cpp
  ${VX_ENGINE3D_TEST_DIR}/camera_light_test.cpp
)
target_link_libraries(engine3d_tests PRIVATE vexel_runtime GTest::gtest_main)
gtest_discover_tests(engine3d_tests PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy")
