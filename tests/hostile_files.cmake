# Files that are not what their names promise, in place of chart.dat (the
# real executable) and of the logo (Print in-process, to a private cupsd).
find_package(Cups REQUIRED)
add_executable(hostile_files_tests hostile_files_test.cpp qt_test_main.cpp)
target_link_libraries(hostile_files_tests PRIVATE chartviewer_forms test_support Cups::Cups GTest::gtest)
target_compile_definitions(hostile_files_tests PRIVATE CHARTVIEWER_PATH="$<TARGET_FILE:chartviewer>")
add_dependencies(hostile_files_tests chartviewer)
gtest_discover_tests(hostile_files_tests DISCOVERY_TIMEOUT 30
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 180)
