dscdma_add_gtest(test_chart_logic
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_chart_logic.cpp
  LIBS widgets GUI)
dscdma_add_gtest(test_chart_widget
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_chart_widget.cpp ${CMAKE_CURRENT_LIST_DIR}/test_chart_render.cpp
          ${CMAKE_CURRENT_LIST_DIR}/chart_test_support.h
  LIBS widgets GUI)
dscdma_add_gtest(test_canvas_qt
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_canvas_qt.cpp
  LIBS widgets GUI)
target_compile_definitions(test_chart_widget PRIVATE DSCDMA_PICTURE_DIR="${CMAKE_BINARY_DIR}/pictures")
if(TARGET Qt6::Svg)
  dscdma_add_gtest(test_chart_svg
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_chart_svg.cpp
    LIBS widgets Qt6::Svg GUI)
  target_compile_definitions(test_chart_svg PRIVATE DSCDMA_PICTURE_DIR="${CMAKE_BINARY_DIR}/pictures")
endif()
