add_executable(bench_numeric ${CMAKE_CURRENT_LIST_DIR}/bench_numeric.cpp)
target_link_libraries(bench_numeric PRIVATE widgets dscdma_gui_bench_main Qt6::Widgets)
