# Tests of the sound library on real OpenAL Soft (its wave output, which the
# tests read back) and the audio benchmark. Included from
# tests/unit/CMakeLists.txt.

set(VX_SOUND_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

add_executable(sound_tests ${VX_SOUND_TEST_DIR}/sound_system_test.cpp)
target_link_libraries(sound_tests PRIVATE vexel_sound GTest::gtest_main)
target_compile_definitions(sound_tests PRIVATE VX_TEST_MEDIA_DIR="${VX_TEST_MEDIA_DIR}")
gtest_discover_tests(sound_tests TEST_FILTER "-SoundMediaTest.*")
gtest_discover_tests(sound_tests TEST_FILTER "SoundMediaTest.*" TEST_SUFFIX ".media"
  PROPERTIES ${VX_MEDIA_TEST_PROPERTIES})
