# The full build needs GoogleTest; the core alone runs its tests when GoogleTest is there and
# leaves them out otherwise (a cross build may have none).
if(DSCDMA_CORE_ONLY)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    message(STATUS "GoogleTest not found: the core's tests are left out")
    set(DSCDMA_TESTS OFF)
    return()
  endif()
else()
  find_package(GTest REQUIRED)
endif()
enable_testing()
include(GoogleTest)

# dscdma_add_gtest(<name> SOURCES ... [LIBS ...] [GUI])
# GUI tests get a main() that creates a QApplication on the offscreen platform.
function(dscdma_add_gtest name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE dscdma_gui_test_main Qt6::Widgets Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY DSCDMA_TEST_PROGRAMS ${name})
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp"
  )
endfunction()
