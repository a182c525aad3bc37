# The report viewer's memory and time over millions of Sales Report lines.
if(STOCKMERE_WITH_QT)
  add_executable(report_memory_bench ${CMAKE_CURRENT_LIST_DIR}/report_memory_bench.cpp)
  target_link_libraries(report_memory_bench PRIVATE stockmere_reports)
endif()
