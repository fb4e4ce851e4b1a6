# fit_bench: one curve fit of each model over 10000 stored points, against one pass of the
# model's residual sum over the same points.
add_executable(fit_bench ${CMAKE_CURRENT_LIST_DIR}/fit_bench.cpp)
target_link_libraries(fit_bench PRIVATE kurvimat_analysis benchmark::benchmark)
