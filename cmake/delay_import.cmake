# Delay-import libraries for system DLLs. A DLL in the import table is loaded,
# with every DLL it imports in turn, before the program's first instruction
# runs; one linked through a delay-import library is loaded on the first call
# into it. Dorvane needs comdlg32 (which brings shell32 and winspool) only for
# a file dialog, winmm (which brings ole32, combase and rpcrt4) and msacm32 only
# once media is opened, so the window of a session started without a file appears
# without them.
#
# The library lists every function of the system's import library, so any
# function of the DLL stays callable; it is made when the build is configured.
function(dorvane_delay_import target dll)
  find_library(import_library_${dll} NAMES ${dll} REQUIRED)
  set(folder ${CMAKE_BINARY_DIR}/delay-import)
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND ${CMAKE_NM} ${import_library_${dll}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
  list(TRANSFORM imports REPLACE "^I __imp_" "")
  list(REMOVE_DUPLICATES imports)
  list(SORT imports)
  list(JOIN imports "\n" exports)
  file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${dll}.def --output-delaylib ${folder}/lib${dll}_delay.a
                  COMMAND_ERROR_IS_FATAL ANY)
  add_library(${target} STATIC IMPORTED)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${folder}/lib${dll}_delay.a)
endfunction()
