# Unit tests of the canvas, its pixel formats and image files. Included
# from tests/unit/CMakeLists.txt.

set(VX_CANVAS_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VX_TEST_MEDIA_DIR ${CMAKE_BINARY_DIR}/test-media)

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

# The images are fetched once, before the tests that read them.
add_test(NAME canvas_test_media
  COMMAND ${CMAKE_COMMAND} -DMEDIA_DIR=${VX_TEST_MEDIA_DIR} -P ${VX_CANVAS_TEST_DIR}/fetch_test_media.cmake)
set_tests_properties(canvas_test_media PROPERTIES FIXTURES_SETUP canvas_media)
gtest_discover_tests(canvas_tests TEST_FILTER "-ImageFileMedia.*")
gtest_discover_tests(canvas_tests TEST_FILTER "ImageFileMedia.*" TEST_SUFFIX ".media"
  PROPERTIES FIXTURES_REQUIRED canvas_media)
