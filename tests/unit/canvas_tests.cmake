# Unit tests of the canvas, its pixel formats and image files. Included
# from tests/unit/CMakeLists.txt.

set(VX_CANVAS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(canvas_tests
  ${VX_CANVAS_TEST_DIR}/pixel_format_test.cpp
  ${VX_CANVAS_TEST_DIR}/canvas_drawing_test.cpp
  ${VX_CANVAS_TEST_DIR}/canvas_pixels_test.cpp
  ${VX_CANVAS_TEST_DIR}/canvas_collision_test.cpp
  ${VX_CANVAS_TEST_DIR}/canvas_texture_test.cpp
  ${VX_CANVAS_TEST_DIR}/image_files_test.cpp
)
target_link_libraries(canvas_tests PRIVATE vexel_runtime GTest::gtest_main)
target_compile_definitions(canvas_tests PRIVATE VX_TEST_MEDIA_DIR="${VX_TEST_MEDIA_DIR}")
gtest_discover_tests(canvas_tests TEST_FILTER "-ImageFileMedia.*")
gtest_discover_tests(canvas_tests TEST_FILTER "ImageFileMedia.*" TEST_SUFFIX ".media"
  PROPERTIES ${VX_MEDIA_TEST_PROPERTIES})
