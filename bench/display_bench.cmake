# display_bench: one display refresh of a 1920 x 1080 window with everything dirty, split into
# its parts, the plot against writing the same bytes; a tick with 10 new points, drawn onto the
# last frame against drawn in full.
add_executable(display_bench ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp)
target_link_libraries(display_bench PRIVATE kurvimat_display Qt6::Gui benchmark::benchmark)
