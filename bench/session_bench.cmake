# session_bench: the journal's commit of one second of mode-2 points against writing the same
# bytes to a plain file, and how long the GUI thread is held by a commit.
if(TARGET kurvimat_session)
  add_executable(session_bench ${CMAKE_CURRENT_LIST_DIR}/session_bench.cpp)
  target_link_libraries(session_bench PRIVATE kurvimat_session)
  find_package(SQLite3 REQUIRED)
  target_link_libraries(session_bench PRIVATE SQLite::SQLite3)
endif()
# quantity_file: the experiment with three calculated quantities bench/demo --quantities opens.
if(TARGET kurvimat_session)
  add_executable(quantity_file ${CMAKE_CURRENT_LIST_DIR}/quantity_file.cpp)
  target_link_libraries(quantity_file PRIVATE kurvimat_session)
endif()
