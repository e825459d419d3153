add_executable(bench_signalmodel ${CMAKE_CURRENT_LIST_DIR}/bench_signalmodel.cpp)
target_link_libraries(bench_signalmodel PRIVATE sim benchmark::benchmark)
