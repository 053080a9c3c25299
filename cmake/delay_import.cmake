# System DLLs loaded on first use instead of at start-up.
#
# Each DLL listed gets a delay-import library, made at configure time from the toolchain's own
# import library: every function that library exports, through the MinGW-w64 runtime's
# __delayLoadHelper2. The first call of one of the DLL's functions loads it (through the
# process's activation context, as a plain import would) and binds the call; later calls go
# straight to the function. The code calling the functions does not change.
#
#   quendix_delay_import(<target> <import library name>...)   e.g. wininet shell32

function(quendix_make_delay_library lib out)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${lib}.a
                  OUTPUT_VARIABLE implib OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${implib}" OR NOT EXISTS "${implib}")
    message(FATAL_ERROR "no import library lib${lib}.a for a delay import")
  endif()
  execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${implib}
                  OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed OR dll STREQUAL "")
    message(FATAL_ERROR "cannot tell which DLL lib${lib}.a imports from")
  endif()
  execute_process(COMMAND ${CMAKE_NM} --defined-only ${implib}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot list lib${lib}.a")
  endif()
  # Code symbols only ("T name"); the __imp_ pointers are the same functions again. On 32-bit
  # x86 C names carry a leading underscore that the definition file leaves out.
  string(REGEX MATCHALL "[^\n]+ T [^\n]+" lines "${symbols}")
  set(exports "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* T " "" name "${line}")
    if(name MATCHES "^__imp_")
      continue()
    endif()
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    list(APPEND exports "${name}")
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(LENGTH exports count)
  if(count EQUAL 0)
    message(FATAL_ERROR "no functions found in lib${lib}.a")
  endif()
  list(JOIN exports "\n" body)
  set(def ${CMAKE_BINARY_DIR}/delayimp/${lib}.def)
  file(WRITE ${def} "LIBRARY ${dll}\nEXPORTS\n${body}\n")
  # On 32-bit x86 the functions are __stdcall: the names keep "@n" for linking, and --kill-at
  # leaves it out of the name looked up in the DLL.
  set(kill_at "")
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(kill_at --kill-at)
  endif()
  # Run beside the library, so that the names dlltool derives from its path stay short.
  get_filename_component(folder ${out} DIRECTORY)
  get_filename_component(name ${out} NAME)
  execute_process(COMMAND ${CMAKE_DLLTOOL} ${kill_at} --input-def ${def} --dllname ${dll}
                          --output-delaylib ${name}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed ERROR_VARIABLE errors)
  if(failed OR NOT EXISTS ${out})
    message(FATAL_ERROR "dlltool could not make ${out}: ${errors}")
  endif()
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    quendix_keep_float_arguments(${lib} ${out})
  endif()
endfunction()

# Swaps dlltool's 64-bit tail merge (which loses xmm0-xmm3) for one that keeps them: the head
# member's own is renamed out of the way and ours, under the name the thunks call, is added.
function(quendix_keep_float_arguments lib out)
  set(work ${CMAKE_BINARY_DIR}/delayimp/${lib}_head)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  execute_process(COMMAND ${CMAKE_AR} t ${out} OUTPUT_VARIABLE members)
  string(REGEX MATCH "[^\n]*_h\\.o" head "${members}")
  if(head STREQUAL "")
    message(FATAL_ERROR "no head member in ${out}")
  endif()
  execute_process(COMMAND ${CMAKE_AR} x ${out} ${head} WORKING_DIRECTORY ${work})
  execute_process(COMMAND ${CMAKE_NM} ${work}/${head} OUTPUT_VARIABLE symbols)
  string(REGEX MATCH "T (__tailMerge_[A-Za-z0-9_]+)" ignored "${symbols}")
  set(TAIL_MERGE ${CMAKE_MATCH_1})
  string(REGEX MATCH "D (__DELAY_IMPORT_DESCRIPTOR_[A-Za-z0-9_]+)" ignored "${symbols}")
  set(DESCRIPTOR ${CMAKE_MATCH_1})
  if(TAIL_MERGE STREQUAL "" OR DESCRIPTOR STREQUAL "")
    message(FATAL_ERROR "${head} in ${out} has no tail merge or descriptor")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/delay_tail_merge_x86_64.S.in
                 ${work}/tail_merge.S @ONLY)
  foreach(step
      "${CMAKE_OBJCOPY};--redefine-sym;${TAIL_MERGE}=${TAIL_MERGE}_integer_only;${head}"
      "${CMAKE_C_COMPILER};-c;tail_merge.S;-o;tail_merge.o"
      "${CMAKE_AR};r;${out};${head};tail_merge.o"
      "${CMAKE_RANLIB};${out}")
    execute_process(COMMAND ${step} WORKING_DIRECTORY ${work} RESULT_VARIABLE failed
                    ERROR_VARIABLE errors)
    if(failed)
      message(FATAL_ERROR "could not mend the tail merge of ${out}: ${errors}")
    endif()
  endforeach()
endfunction()

function(quendix_delay_import target)
  # Made again when this file or the stub changes.
  set(stub ${CMAKE_SOURCE_DIR}/cmake/delay_tail_merge_x86_64.S.in)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${stub})
  file(SHA256 ${CMAKE_CURRENT_FUNCTION_LIST_FILE} rules)
  file(SHA256 ${stub} stub_hash)
  foreach(lib IN LISTS ARGN)
    set(out ${CMAKE_BINARY_DIR}/delayimp/lib${lib}_delay.a)
    set(key "${rules} ${stub_hash} ${CMAKE_CXX_COMPILER}")
    set(made "")
    if(EXISTS ${out}.key)
      file(READ ${out}.key made)
    endif()
    if(NOT EXISTS ${out} OR NOT made STREQUAL key)
      file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayimp)
      file(REMOVE ${out})
      quendix_make_delay_library(${lib} ${out})
      file(WRITE ${out}.key "${key}")
    endif()
    target_link_libraries(${target} PRIVATE ${out})
  endforeach()
endfunction()
