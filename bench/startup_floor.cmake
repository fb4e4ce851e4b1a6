# startup_floor: a bare Qt window timed to its first frame as the program is; bench/demo starts
# it alternately with kurvimat-demo as the reference for the start-up time.
add_executable(startup_floor ${CMAKE_CURRENT_LIST_DIR}/startup_floor.cpp)
# Only the header that times it, not the program's libraries: the floor stays a bare window.
target_include_directories(startup_floor PRIVATE ${PROJECT_SOURCE_DIR}/src/app)
target_link_libraries(startup_floor PRIVATE Qt6::Widgets)
