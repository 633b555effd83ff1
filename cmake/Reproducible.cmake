# The same commit builds to the same bytes, whatever folder it is built in and
# whenever (scripts/release.sh, docs/release.md).
#
# - Paths: __FILE__, the assembler's file names and debug info would carry
#   the folders of this build; they are written relative instead. The build
#   folder may lie inside the source folder: its mapping comes last, and the
#   compiler takes the last matching one.
# - Link time: the linker would write the moment of linking into every PE
#   header; none is written (0), as the payload's language module always did.
# - Resources: windres writes no time of its own; the files it embeds are
#   drawn by our scripts without any time in them, and the payload archive
#   carries the release date (ReleaseDate.cmake) instead of file times.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=pixorra>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=pixorra-build>")
add_link_options(-Wl,--no-insert-timestamp)

# px_finish_pe(TARGET): the built .exe or .dll gets its final unsigned form
# (padded to 8 bytes, header checksum written: scripts/lib/pe_checksum.py), so
# that signing it and removing the signature again gives back these bytes.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(px_finish_pe target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/lib/pe_checksum.py $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
