# hid_bench: report hand-off from a reading thread to the GUI thread on the virtual platform.
if(TARGET kurvimat_hid)
  add_executable(hid_bench ${CMAKE_CURRENT_LIST_DIR}/hid_bench.cpp)
  target_link_libraries(hid_bench PRIVATE kurvimat_hid benchmark::benchmark)
endif()
