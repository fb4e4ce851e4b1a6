# table_bench: ten points appended to a 10000-row table and the view repainted, against a plain
# repaint of the same view.
add_executable(table_bench ${CMAKE_CURRENT_LIST_DIR}/table_bench.cpp)
target_link_libraries(table_bench PRIVATE kurvimat_app)
