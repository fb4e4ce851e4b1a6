# handoff_bench: reports decoded with the window's journal hook and the tick that hands their points
# to the session's journal, against the pipeline alone.
add_executable(handoff_bench ${CMAKE_CURRENT_LIST_DIR}/handoff_bench.cpp)
target_link_libraries(handoff_bench PRIVATE kurvimat_app)
