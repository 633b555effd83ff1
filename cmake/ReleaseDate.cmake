# The release's date and time, which every entry of the payload archive
# carries, so that installed files show when the release was made rather than
# when somebody happened to build it. It is read from the one place that
# names it for the user, the first line of the release notes:
#     Pixorra 4.42 (64 bit) - Neuerungen vom 14.10.2026
# and the time of day is the version, 4.42 -> 04:42:00, as shipped products
# often date their files. A new release changes that line and nothing else.
#
# Sets PX_RELEASE_STAMP ("2026-10-14 04:42:00", local time as in any ZIP).
set(px_release_notes ${CMAKE_SOURCE_DIR}/src/resources/release_notes.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${px_release_notes})
file(STRINGS ${px_release_notes} px_notes_head LIMIT_COUNT 1)
if(NOT px_notes_head MATCHES "^Pixorra ([0-9]+)\\.([0-9][0-9]) .* vom ([0-9][0-9])\\.([0-9][0-9])\\.([0-9][0-9][0-9][0-9])")
  message(FATAL_ERROR "${px_release_notes}: the first line names no version and date "
                      "(\"Pixorra 4.42 ... vom 14.10.2026\"): ${px_notes_head}")
endif()
set(px_hour ${CMAKE_MATCH_1})
set(px_minute ${CMAKE_MATCH_2})
set(px_day ${CMAKE_MATCH_3})
set(px_month ${CMAKE_MATCH_4})
set(px_year ${CMAKE_MATCH_5})
if(px_hour GREATER 23 OR px_month LESS 1 OR px_month GREATER 12 OR px_day LESS 1 OR px_day GREATER 31
   OR px_year LESS 1980 OR px_year GREATER 2107)
  message(FATAL_ERROR "${px_release_notes}: no valid release date and time in: ${px_notes_head}")
endif()
if(px_hour LESS 10)
  set(px_hour 0${px_hour})
endif()
set(PX_RELEASE_STAMP "${px_year}-${px_month}-${px_day} ${px_hour}:${px_minute}:00")
message(STATUS "Release date of the payload's files: ${PX_RELEASE_STAMP}")
