# Delay-loaded system DLLs for the mingw build. A library listed here is
# loaded on the first call into it instead of before main. The window program
# probes the device before it makes any window, and loading user32 or gdi32
# (or any DLL that imports them) sets up the process's desktop connection and
# its fonts first: under Wine that alone costs more than the whole start-up.
#
# intercom_delay_load(<dll>...) makes, for each DLL, the target
# intercom::delay_<dll>: an import library from the same names as mingw's own
# lib<dll>.a, built by dlltool with --output-delaylib. Link it in place of the
# plain library; mingw's runtime has the loader helper (__delayLoadHelper2).
# Without GNU binutils (no dlltool) the target is the plain library.
function(intercom_delay_load)
  foreach(dll IN LISTS ARGN)
    if(TARGET intercom::delay_${dll})
      continue()
    endif()
    if(NOT CMAKE_DLLTOOL)
      add_library(intercom::delay_${dll} INTERFACE IMPORTED GLOBAL)
      set_target_properties(intercom::delay_${dll} PROPERTIES INTERFACE_LINK_LIBRARIES ${dll})
      continue()
    endif()
    find_library(INTERCOM_IMPORT_${dll} NAMES lib${dll}.a REQUIRED NO_CACHE)
    set(folder ${CMAKE_BINARY_DIR}/delay-load)
    set(def ${folder}/${dll}.def)
    set(lib ${folder}/lib${dll}_delay.a)
    file(MAKE_DIRECTORY ${folder})
    execute_process(COMMAND ${CMAKE_NM} ${INTERCOM_IMPORT_${dll}}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "[\r\n][0-9a-f]+ I __imp_[^\r\n]+" imports "\n${symbols}")
    set(names "")
    foreach(import IN LISTS imports)
      string(REGEX REPLACE ".* I __imp_" "" name "${import}")
      list(APPEND names "${name}")
    endforeach()
    list(REMOVE_DUPLICATES names)
    list(LENGTH names count)
    if(count EQUAL 0)
      message(FATAL_ERROR "${INTERCOM_IMPORT_${dll}} names no imports")
    endif()
    list(JOIN names "\n" exports)
    file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
                            --output-delaylib ${lib}
                    COMMAND_ERROR_IS_FATAL ANY)
    add_library(intercom::delay_${dll} STATIC IMPORTED GLOBAL)
    set_target_properties(intercom::delay_${dll} PROPERTIES IMPORTED_LOCATION ${lib})
  endforeach()
endfunction()
