# The released program and its zip. The Release build of a Windows tree is the shipped build:
# the tests of that tree run the very exe that `cmake --build <tree> --target release_zip` zips.
#
# Reproducible: the same commit built in another folder, at another time, gives the same bytes.
# The link writes no time stamp into the PE header (0; the PE checksum then follows the rest),
# and no path of the source or build folder reaches the exe (__FILE__ of the sources and of the
# generated headers reads from the top of each folder). The zip is written by
# scripts/release_zip.py, with fixed times, order and modes of its entries.

# Small: built for size (-Os; a parse takes microseconds either way, the network far longer),
# unused functions and data dropped at link time, no symbols in the Release exe (the Debug build
# keeps its symbols).
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
foreach(target quendix_core QuendixInternetLookup)
  target_compile_options(${target} PRIVATE
    $<$<CONFIG:Release>:-ffunction-sections> $<$<CONFIG:Release>:-fdata-sections>
    # Of two maps that fit a path the last one counts: the build folder may lie in the source's.
    $<$<CONFIG:Release>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
    $<$<CONFIG:Release>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
endforeach()
target_link_options(QuendixInternetLookup PRIVATE
  $<$<CONFIG:Release>:-Wl,--gc-sections> $<$<CONFIG:Release>:-s>
  $<$<CONFIG:Release>:-Wl,--no-insert-timestamp>)
# No type name on a console the program does not have, and no demangler in the exe for it.
target_sources(QuendixInternetLookup PRIVATE
  $<$<CONFIG:Release>:${CMAKE_SOURCE_DIR}/host/quiet_terminate.cpp>)

# The user's guide and the licence travel with CR LF line ends, so that Notepad shows them.
set(QUENDIX_PACKAGE_TEXTS "docs/ReadMe.txt=ReadMe.txt" "LICENSE=License.txt")
foreach(pair IN LISTS QUENDIX_PACKAGE_TEXTS)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 shipped)
  file(READ ${CMAKE_SOURCE_DIR}/${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/package/${shipped} CONTENT "${text}"
       NEWLINE_STYLE CRLF)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${source})
  install(FILES ${CMAKE_BINARY_DIR}/package/${shipped} DESTINATION .)
endforeach()
# `cmake --install <tree> --prefix <folder>` puts the same three files in a folder.
install(TARGETS QuendixInternetLookup RUNTIME DESTINATION .)

# The update server's version file: the version alone, no line break.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/package/QuendixInternetLookup.txt
     CONTENT "${QUENDIX_RELEASE_VERSION}")

# One zip per architecture, the three files at its top level: package/QuendixInternetLookup.zip
# (32-bit), what the update server serves, and package/QuendixInternetLookup-x64.zip offered
# beside it. Not CPack: its zip entries carried the local time zone, the builder's uid and gid
# and the directory's order.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUENDIX_ZIP QuendixInternetLookup-x64.zip)
else()
  set(QUENDIX_ZIP QuendixInternetLookup.zip)
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_target(release_zip
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/release_zip.py
          ${CMAKE_BINARY_DIR}/package/${QUENDIX_ZIP}
          QuendixInternetLookup.exe=$<TARGET_FILE:QuendixInternetLookup>
          ReadMe.txt=${CMAKE_BINARY_DIR}/package/ReadMe.txt
          License.txt=${CMAKE_BINARY_DIR}/package/License.txt
  VERBATIM)
add_dependencies(release_zip QuendixInternetLookup)
