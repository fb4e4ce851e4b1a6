find_library(MUPARSER_LIBRARY muparser)
if(MUPARSER_LIBRARY)
  add_executable(formula_bench ${CMAKE_CURRENT_LIST_DIR}/formula_bench.cpp)
  target_link_libraries(formula_bench PRIVATE kurvimat_signals ${MUPARSER_LIBRARY}
                        benchmark::benchmark)
endif()
