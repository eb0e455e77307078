if(VK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# libFuzzer targets need clang; with another compiler the fuzz folder is skipped.
set(VK_FUZZ_ENABLED OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(VK_FUZZ_ENABLED ON)
endif()
