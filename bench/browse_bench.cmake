# Opening the browse control on a million records against a thousand.
if(STOCKMERE_WITH_QT)
  add_executable(browse_bench ${CMAKE_CURRENT_LIST_DIR}/browse_bench.cpp)
  target_link_libraries(browse_bench PRIVATE stockmere_browse)
  # The generated file sets are kept here between runs: a million records take a while.
  target_compile_definitions(browse_bench PRIVATE
    BROWSE_BENCH_DATA="${CMAKE_BINARY_DIR}/bench-data/browse")
endif()
