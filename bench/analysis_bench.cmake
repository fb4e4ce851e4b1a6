# analysis_bench: the readout's statistics and column formulas over 10000 points against plain
# loops over the same points in the same run.
add_executable(analysis_bench ${CMAKE_CURRENT_LIST_DIR}/analysis_bench.cpp)
target_link_libraries(analysis_bench PRIVATE kurvimat_display benchmark::benchmark)
