add_executable(bench_chart ${CMAKE_CURRENT_LIST_DIR}/bench_chart.cpp)
target_link_libraries(bench_chart PRIVATE widgets dscdma_gui_bench_main Qt6::Widgets)
