# The engine against SQLite; a small smoke run keeps it building and working under ctest.
find_package(SQLite3 REQUIRED)
add_executable(engine_bench ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp)
target_link_libraries(engine_bench PRIVATE stockmere_engine SQLite::SQLite3)
add_test(NAME engine_bench_smoke
         COMMAND engine_bench --smoke --dir ${CMAKE_BINARY_DIR}/test-tmp/bench-smoke)
set_tests_properties(engine_bench_smoke PROPERTIES LABELS engine TIMEOUT 60)
