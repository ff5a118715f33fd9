# Delay-load import libraries for system DLLs that are not on the KnownDLLs
# list (crypt32, bcrypt, ...). A normal import of such a DLL is resolved by the
# loader before wWinMain runs, from the executable's folder first; a delayed
# import is loaded on first call, after the DLL search has been restricted to
# System32 (zrlsetup/utility/base/dllsearch.h). mingw-w64's __delayLoadHelper2
# (libmingwex) loads it with LoadLibraryA.
#
# ld (binutils 2.40) drops the jump thunk of a delayed import that is only
# reached through its __imp_ pointer (the dllimport form every system header
# uses) and leaves the pointer 0. So the thunks of the functions `USED_BY`'s
# archive imports from the DLL are forced in with -u.
#
# zrl_delay_import(<target> <dll base name> USED_BY <static library>): an
# imported library <target> holding delayed imports of the exports of mingw's
# lib<dll>.a.
function(zrl_delay_import target dll)
  cmake_parse_arguments(ARG "" "USED_BY" "" ${ARGN})
  set(out "${CMAKE_BINARY_DIR}/delayload")
  file(MAKE_DIRECTORY "${out}")
  set(import_lib "${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a")
  set(delay_lib "${out}/lib${dll}_delay.a")
  if(NOT EXISTS "${delay_lib}" OR "${import_lib}" IS_NEWER_THAN "${delay_lib}")
    execute_process(COMMAND i686-w64-mingw32-nm "${import_lib}"
      OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # "__imp__CertOpenStore@20" -> "CertOpenStore@20"
    string(REGEX MATCHALL "I __imp__[A-Za-z0-9_]+@[0-9]+" entries "${symbols}")
    list(TRANSFORM entries REPLACE "^I __imp__" "")
    list(REMOVE_DUPLICATES entries)
    list(JOIN entries "\n" exports)
    file(WRITE "${out}/${dll}.def" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND i686-w64-mingw32-dlltool -k -d "${out}/${dll}.def"
      --output-delaylib "${delay_lib}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(STRINGS "${out}/${dll}.def" exports REGEX "@[0-9]+$")
  execute_process(COMMAND i686-w64-mingw32-nm -u "${ARG_USED_BY}"
    OUTPUT_VARIABLE used COMMAND_ERROR_IS_FATAL ANY)
  set(keep)
  foreach(export IN LISTS exports)
    string(FIND "${used}" "__imp__${export}\n" at)
    if(at GREATER -1)
      list(APPEND keep "-Wl,-u,_${export}")
    endif()
  endforeach()
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${delay_lib}"
    INTERFACE_LINK_OPTIONS "${keep}")
endfunction()
