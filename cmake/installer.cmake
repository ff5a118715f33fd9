# zrl_add_installer(<target>
#     SCRIPTS <dir>      folder with global_var.lua, instscript.lua, uninstscript.lua
#     SKIN <dir>         folder packed into the skin ZIP (resource ZIP/249)
#     PAYLOAD <dir>      folder packed into the payload (resource _7Z/APP.7Z)
#     | PACKED_PAYLOAD <file>  an archive already packed by scripts/pack_payload.py
#     [OUTPUT_NAME <name>]
#     [STAT_DISPATCH_HOST <host[:port]>]  statistics dispatch host (default ZRL_STAT_DISPATCH_HOST)
#     [PAYLOAD_DEPENDS <file>...]  a payload folder made by the build: the files
#                        (stamps) whose rules stage it
#     [TEXT_CHUNKS])     embed the scripts as Lua source instead of bytecode
#                        (lets tests carry a chunk that does not load)
# Builds an installer executable from the installer's code and these inputs:
# the scripts are compiled to 32-bit Lua 5.2 bytecode, the skin is zipped
# deterministically and the payload is 7z-packed with its first two bytes exchanged.
function(zrl_add_installer target)
  cmake_parse_arguments(ARG "TEXT_CHUNKS" "SCRIPTS;SKIN;PAYLOAD;PACKED_PAYLOAD;OUTPUT_NAME;STAT_DISPATCH_HOST" "PAYLOAD_DEPENDS" ${ARGN})
  set(gen "${CMAKE_CURRENT_BINARY_DIR}/${target}.res")
  file(MAKE_DIRECTORY "${gen}")

  set(resource_files)
  foreach(pair "global_var.lua:GLOBAL_VAR.LUAC" "instscript.lua:INSTSCRIPT.LUAC" "uninstscript.lua:UNINSTSCRIPT.LUAC")
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 chunk)
    if(ARG_TEXT_CHUNKS)
      set(compile_command "${CMAKE_COMMAND}" -E copy "${ARG_SCRIPTS}/${source}" "${gen}/${chunk}")
    else()
      # Run from the scripts' folder so the chunk records "@instscript.lua", not a build path.
      set(compile_command "${ZRL_LUAC32}" -o "${gen}/${chunk}" "${source}")
    endif()
    add_custom_command(OUTPUT "${gen}/${chunk}"
      COMMAND ${compile_command}
      DEPENDS "${ARG_SCRIPTS}/${source}"
      WORKING_DIRECTORY "${ARG_SCRIPTS}"
      COMMENT "luac ${target}/${source}" VERBATIM)
    list(APPEND resource_files "${gen}/${chunk}")
  endforeach()

  file(GLOB_RECURSE skin_files CONFIGURE_DEPENDS "${ARG_SKIN}/*")
  add_custom_command(OUTPUT "${gen}/skin.zip"
    COMMAND python3 "${ZRL_SOURCE_ROOT}/scripts/pack_skin.py" "${ARG_SKIN}" "${gen}/skin.zip"
    DEPENDS ${skin_files} "${ZRL_SOURCE_ROOT}/scripts/pack_skin.py"
    COMMENT "skin ${target}" VERBATIM)

  if(ARG_PACKED_PAYLOAD)
    add_custom_command(OUTPUT "${gen}/payload.7z.swapped"
      COMMAND "${CMAKE_COMMAND}" -E create_symlink "${ARG_PACKED_PAYLOAD}" "${gen}/payload.7z.swapped"
      DEPENDS "${ARG_PACKED_PAYLOAD}"
      COMMENT "payload ${target}" VERBATIM)
  else()
    if(ARG_PAYLOAD_DEPENDS)
      # A payload folder the build stages: depend on what stages it.
      set(payload_files ${ARG_PAYLOAD_DEPENDS})
    else()
      file(GLOB_RECURSE payload_files CONFIGURE_DEPENDS "${ARG_PAYLOAD}/*")
    endif()
    add_custom_command(OUTPUT "${gen}/payload.7z.swapped"
      COMMAND python3 "${ZRL_SOURCE_ROOT}/scripts/pack_payload.py" "${ARG_PAYLOAD}" "${gen}/payload.7z.swapped"
      DEPENDS ${payload_files} "${ZRL_SOURCE_ROOT}/scripts/pack_payload.py"
      COMMENT "payload ${target}" VERBATIM)
  endif()
  list(APPEND resource_files "${gen}/skin.zip" "${gen}/payload.7z.swapped")

  set(ZRL_RES_DIR "${gen}")
  if(ARG_STAT_DISPATCH_HOST)
    set(ZRL_STAT_DISPATCH_HOST "${ARG_STAT_DISPATCH_HOST}")
  endif()
  configure_file("${ZRL_SOURCE_ROOT}/zrlsetup/zrlinstaller/zrlinstaller.rc.in" "${gen}/zrlinstaller.rc" @ONLY)
  set_source_files_properties("${gen}/zrlinstaller.rc" PROPERTIES
    OBJECT_DEPENDS "${resource_files};${ZRL_ICON_FILE}")

  add_executable(${target} WIN32 "${gen}/zrlinstaller.rc")
  target_link_libraries(${target} PRIVATE zrlinstaller_core)
  add_dependencies(${target} zrl_icon)
  # Sections page-aligned in the file: Wine then maps the resource section from
  # the file, as Windows does, instead of reading it into private memory.
  target_link_options(${target} PRIVATE -municode -Wl,--large-address-aware -Wl,--file-alignment,0x1000)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${ARG_OUTPUT_NAME}")
  endif()
endfunction()
