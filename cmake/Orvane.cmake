# Shared build settings and helpers for every Orvane target.

set(ORVANE_WARNINGS -Wall -Wextra -Wshadow)
add_compile_options(${ORVANE_WARNINGS})

# libFuzzer programs (clang only) always run under AddressSanitizer and UndefinedBehaviorSanitizer,
# so that an out-of-bounds read that does not crash is still caught. Every library gets
# libFuzzer's coverage hooks as well, so the fuzzer is guided by the code it exercises.
set(ORVANE_LIBFUZZER OFF)
if(ORVANE_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(ORVANE_LIBFUZZER ON)
  set(ORVANE_SANITIZE ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(ORVANE_SANITIZE AND ORVANE_SANITIZE_THREAD)
  message(FATAL_ERROR "ORVANE_SANITIZE and ORVANE_SANITIZE_THREAD cannot be combined")
endif()
if(ORVANE_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(ORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
pkg_check_modules(LV2 IMPORTED_TARGET lv2)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
find_package(ZLIB REQUIRED)
find_package(CLI11 CONFIG REQUIRED)
find_package(Threads REQUIRED)

# orvane_library(NAME DIR [DEPS...]): one static library from every .cpp under DIR.
# Sources are globbed so that adding a class means adding its files, nothing else.
function(orvane_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# orvane_sanitizer_preload(VAR): in a sanitizer build, the sanitizers' run-times as an LD_PRELOAD
# list, which programs that are not built with them need to load a module that is; else empty.
function(orvane_sanitizer_preload var)
  set(preload "")
  if(ORVANE_SANITIZE)
    foreach(runtime libasan.so libubsan.so)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
      list(APPEND preload ${path})
    endforeach()
    list(JOIN preload ":" preload)
  endif()
  set(${var} "${preload}" PARENT_SCOPE)
endfunction()
