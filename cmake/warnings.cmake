# Warnings are on for our own code and kept clean.
add_compile_options(-Wall -Wextra -Wpedantic)

# g++ 12 reports out-of-bounds and overflowing copies inside libstdc++'s own
# vector::insert when a vector that starts with a few bytes grows (known false
# positives of that release); the sanitizer build checks real bounds.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-array-bounds>
                      $<$<COMPILE_LANGUAGE:CXX>:-Wno-stringop-overflow>
                      $<$<COMPILE_LANGUAGE:CXX>:-Wno-stringop-overread>)
endif()
