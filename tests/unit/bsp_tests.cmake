# Unit tests of levels: the real level 20kdm2 loaded, drawn and damaged,
# its textures and lightmaps, curved patches.
# Included from tests/unit/CMakeLists.txt.

add_executable(bsp_unit_tests ${CMAKE_CURRENT_LIST_DIR}/bsp_level_test.cpp)
target_link_libraries(bsp_unit_tests PRIVATE vexel_runtime GTest::gtest_main)
target_compile_definitions(bsp_unit_tests PRIVATE VX_TEST_LEVEL="${VX_TEST_MEDIA_DIR}/20kdm2/maps/20kdm2.bsp")
gtest_discover_tests(bsp_unit_tests PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy" ${VX_MEDIA_TEST_PROPERTIES})
