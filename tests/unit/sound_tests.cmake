# Tests of the sound library on real OpenAL Soft (its wave output, which the
# tests read back) and the audio benchmark. Included from
# tests/unit/CMakeLists.txt; the media come from the fixture there.

set(VX_SOUND_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VX_SOUND_MEDIA_DIR ${CMAKE_BINARY_DIR}/test-media)

add_executable(sound_tests ${VX_SOUND_TEST_DIR}/sound_system_test.cpp)
target_link_libraries(sound_tests PRIVATE vexel_sound GTest::gtest_main)
target_compile_definitions(sound_tests PRIVATE VX_TEST_MEDIA_DIR="${VX_SOUND_MEDIA_DIR}")
gtest_discover_tests(sound_tests TEST_FILTER "-SoundMediaTest.*")
gtest_discover_tests(sound_tests TEST_FILTER "SoundMediaTest.*" TEST_SUFFIX ".media"
  PROPERTIES FIXTURES_REQUIRED canvas_media)
