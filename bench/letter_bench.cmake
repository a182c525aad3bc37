# Opening a form letter as its size grows: the rich-text reader and the editor's layout.
if(STOCKMERE_WITH_QT)
  add_executable(letter_bench ${CMAKE_CURRENT_LIST_DIR}/letter_bench.cpp)
  target_link_libraries(letter_bench PRIVATE stockmere_reports)
endif()
