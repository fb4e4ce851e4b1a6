# core_bench: drawing (display), re-evaluation (signals) and measurement text (exchange) in one
# program; the parts from other libraries join when their sources and libraries exist.
set(_core_bench_sources ${CMAKE_CURRENT_LIST_DIR}/core_bench_draw.cpp)
set(_core_bench_libs kurvimat_display Qt6::Gui benchmark::benchmark)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/core_bench_eval.cpp AND TARGET kurvimat_signals)
  list(APPEND _core_bench_sources ${CMAKE_CURRENT_LIST_DIR}/core_bench_eval.cpp)
  list(APPEND _core_bench_libs kurvimat_signals)
endif()
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/core_bench_text.cpp AND TARGET kurvimat_exchange)
  list(APPEND _core_bench_sources ${CMAKE_CURRENT_LIST_DIR}/core_bench_text.cpp)
  list(APPEND _core_bench_libs kurvimat_exchange)
endif()
add_executable(core_bench ${_core_bench_sources})
target_link_libraries(core_bench PRIVATE ${_core_bench_libs})
