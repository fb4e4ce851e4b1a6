# pipeline_bench: input reports through decoding, averaging, trigger and recording.
if(TARGET kurvimat_acquisition)
  add_executable(pipeline_bench ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.cpp)
  target_link_libraries(pipeline_bench PRIVATE kurvimat_acquisition benchmark::benchmark)
endif()
