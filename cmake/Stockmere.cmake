include(GoogleTest)
find_package(GTest REQUIRED)

# stockmere_library(NAME [QT] DEPS ...): one static library from every .cpp in the folder and
# its job subfolders (invoicing/posting/, reports/labels/, ...). A subfolder with a
# CMakeLists.txt of its own is a library of its own and is left out.
function(stockmere_library name)
  cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB_RECURSE hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(GLOB_RECURSE own_libs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(lib ${own_libs})
    get_filename_component(lib_dir ${lib} DIRECTORY)
    list(FILTER srcs EXCLUDE REGEX "^${lib_dir}/")
    list(FILTER hdrs EXCLUDE REGEX "^${lib_dir}/")
  endforeach()
  set(scope PUBLIC)
  if(srcs)
    add_library(${name} STATIC ${srcs} ${hdrs})
  else()
    # Headers only so far: the folder still configures while its sources are written.
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} ${scope} ${ARG_DEPS})
  if(ARG_QT)
    target_link_libraries(${name} ${scope} Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport)
    if(srcs)
      # A header added to the folder must make moc run again in an existing build tree.
      set_property(TARGET ${name} PROPERTY AUTOGEN_TARGET_DEPENDS ${hdrs})
    endif()
  endif()
endfunction()

# stockmere_tests(NAME LABEL label [QT] [TIMEOUT s] DEPS ...): one test binary from every
# .cpp in the folder; every test it holds carries the label and a time-out.
function(stockmere_tests name)
  cmake_parse_arguments(ARG "QT" "LABEL;TIMEOUT" "DEPS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} stockmere_testsupport GTest::gtest)
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE stockmere_testmain_qt)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
               ENVIRONMENT "STOCKMERE_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()
