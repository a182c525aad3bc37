# Posting and opening against SQLite and against size; a small smoke run keeps it working. The
# posting code's row needs the program's units, which need Qt.
if(STOCKMERE_WITH_QT)
  find_package(SQLite3 REQUIRED)
  add_executable(posting_bench ${CMAKE_CURRENT_LIST_DIR}/posting_bench.cpp)
  target_link_libraries(posting_bench PRIVATE stockmere_sample stockmere_invoicing
                        stockmere_masters stockmere_shell stockmere_engine SQLite::SQLite3)
  add_test(NAME posting_bench_smoke
           COMMAND posting_bench --smoke --dir ${CMAKE_BINARY_DIR}/test-tmp/posting-bench-smoke)
  set_tests_properties(posting_bench_smoke PROPERTIES LABELS engine TIMEOUT 60)
endif()
