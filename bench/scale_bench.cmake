# Reports, statements and managers over a company of N invoices against SQLite holding the
# same rows with the same indexes.
if(STOCKMERE_WITH_QT)
  find_package(SQLite3 REQUIRED)
  add_executable(scale_bench ${CMAKE_CURRENT_LIST_DIR}/scale_bench.cpp)
  target_link_libraries(scale_bench PRIVATE stockmere_app stockmere_sample stockmere_reports stockmere_purchasing
                        stockmere_invoicing stockmere_masters stockmere_shell SQLite::SQLite3)
endif()
