# Adds every immediate sub-folder of the current source folder that has a
# CMakeLists.txt, in alphabetical order.
function(vk_add_child_folders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# vk_add_gtest(NAME name LABEL label SOURCES ... LIBS ...)
# One GoogleTest program registered with CTest test by test.
include(GoogleTest)
find_package(GTest REQUIRED)
function(vk_add_gtest)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS "${T_LABEL}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# vk_add_export_test(LIBRARY target LIST file)
# Checks that a shared library's dynamic symbols are exactly the names in the
# list file (one name a line, # comments allowed).
function(vk_add_export_test)
  cmake_parse_arguments(T "" "LIBRARY;LIST;LABEL" "" ${ARGN})
  add_test(NAME ${T_LIBRARY}.exports
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-exports.sh $<TARGET_FILE:${T_LIBRARY}> ${T_LIST})
  set_tests_properties(${T_LIBRARY}.exports PROPERTIES LABELS "${T_LABEL}")
endfunction()

find_package(Threads REQUIRED)
