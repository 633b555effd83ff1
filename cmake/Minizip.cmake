# minizip from the source of Debian's zlib package, built as a static mingw
# library with its Win32 file-function set. The source is fetched once into
# the build tree and reused by later builds.
set(PX_THIRD_PARTY_DIR ${CMAKE_BINARY_DIR}/third_party)
execute_process(
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/lib/fetch-minizip.sh ${PX_THIRD_PARTY_DIR}
  OUTPUT_VARIABLE PX_MINIZIP_DIR
  OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0 OR NOT EXISTS ${PX_MINIZIP_DIR}/unzip.c)
  message(FATAL_ERROR "minizip source could not be fetched")
endif()

add_library(minizip STATIC
  ${PX_MINIZIP_DIR}/unzip.c
  ${PX_MINIZIP_DIR}/ioapi.c
  ${PX_MINIZIP_DIR}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${PX_MINIZIP_DIR})
# Third-party code: its own warnings are not ours to fix.
target_compile_options(minizip PRIVATE -w)
target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)
target_link_libraries(minizip PUBLIC -l:libz.a)
