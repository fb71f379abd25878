# Unit tests of MD2 models, which read the test media.
# Included from tests/unit/CMakeLists.txt.

set(VX_MD2_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(md2_model_tests
  ${VX_MD2_TEST_DIR}/md2_test.cpp
  ${VX_MD2_TEST_DIR}/md2_loader_test.cpp
)
target_link_libraries(md2_model_tests PRIVATE vexel_runtime GTest::gtest_main)
target_compile_definitions(md2_model_tests PRIVATE VX_TEST_MEDIA_DIR="${VX_TEST_MEDIA_DIR}")
gtest_discover_tests(md2_model_tests PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy" ${VX_MEDIA_TEST_PROPERTIES})
