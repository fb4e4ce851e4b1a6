# handoff_bench: a report decoded and its new points handed to the session's journal, against
# the pipeline alone.
add_executable(handoff_bench ${CMAKE_CURRENT_LIST_DIR}/handoff_bench.cpp)
target_link_libraries(handoff_bench PRIVATE kurvimat_app)
