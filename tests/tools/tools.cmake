# The command's tests: they run the built exifkit program, so it is built first.
file(GLOB tool_test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cc)
add_executable(test_tools ${tool_test_srcs})
target_link_libraries(test_tools PRIVATE ek_testsupport ek_cli GTest::gtest_main)
target_compile_definitions(test_tools PRIVATE
  EXIFKIT_COMMAND="$<TARGET_FILE:exifkit_tool>"
  EXIFKIT_VERSION="${PROJECT_VERSION}")
add_dependencies(test_tools exifkit_tool)
gtest_discover_tests(test_tools DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1" TIMEOUT 900)
