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

# Every line of -j and -J over the samples and the corpus against the shipped
# JSON Schema (Debian's python3-jsonschema).
find_program(EXIFKIT_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
add_test(NAME Schema.corpus
         COMMAND ${EXIFKIT_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/schema_check.py $<TARGET_FILE:exifkit_tool>
                 ${PROJECT_SOURCE_DIR}/doc/exifkit.schema.json ${PROJECT_SOURCE_DIR}/tests/data ${EXIFKIT_CORPUS})
set_tests_properties(Schema.corpus PROPERTIES TIMEOUT 900)
