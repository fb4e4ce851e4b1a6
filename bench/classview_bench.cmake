# classview_bench: 60 pages on loopback (dropped, latency, bytes per page, memory), and the demo's
# CPU with 30 pages against none.
if(TARGET kurvimat_classview)
  add_executable(classview_bench ${CMAKE_CURRENT_LIST_DIR}/classview_bench.cpp)
  find_package(Qt6 REQUIRED COMPONENTS WebSockets)
  target_link_libraries(classview_bench PRIVATE kurvimat_classview Qt6::WebSockets)
  add_dependencies(classview_bench kurvimat-demo)
endif()
