# The released program and its zip. The Release build of a Windows tree is the shipped build:
# the tests of that tree run the very exe that `cmake --build <tree> --target package` zips.

# Small: built for size (-Os; a parse takes microseconds either way, the network far longer),
# unused functions and data dropped at link time, no symbols in the Release exe (the Debug build
# keeps its symbols).
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
foreach(target quendix_core QuendixInternetLookup)
  target_compile_options(${target} PRIVATE
    $<$<CONFIG:Release>:-ffunction-sections> $<$<CONFIG:Release>:-fdata-sections>)
endforeach()
target_link_options(QuendixInternetLookup PRIVATE
  $<$<CONFIG:Release>:-Wl,--gc-sections> $<$<CONFIG:Release>:-s>)
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
install(TARGETS QuendixInternetLookup RUNTIME DESTINATION .)

# The update server's version file: the version alone, no line break.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/package/QuendixInternetLookup.txt
     CONTENT "${QUENDIX_RELEASE_VERSION}")

# One zip per architecture, the three files at its top level. The 32-bit one is what the update
# server serves; the 64-bit one is offered beside it.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QuendixInternetLookup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_PACKAGE_FILE_NAME QuendixInternetLookup-x64)
else()
  set(CPACK_PACKAGE_FILE_NAME QuendixInternetLookup)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
