# Stages the stripped DLLs (symbols split off beside the build, linked by name and
# checksum) with the per-user marker beside each, then runs wixl in the stage folder.
function(strip_into objcopy from to symbols)
  get_filename_component(name ${from} NAME)
  file(MAKE_DIRECTORY ${to} ${symbols})
  execute_process(COMMAND ${objcopy} --only-keep-debug ${from} ${symbols}/${name}.debug COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${symbols}/${name}.debug ${from} ${to}/${name}
                  COMMAND_ERROR_IS_FATAL ANY)
endfunction()

file(REMOVE_RECURSE ${STAGE})
strip_into(${OBJCOPY64} ${DLL64} ${STAGE}/x64 ${SYMBOLS}/x64)
strip_into(${OBJCOPY32} ${DLL32} ${STAGE}/x86 ${SYMBOLS}/x86)
# Only its presence counts; the text is for an administrator who finds it.
foreach(arch x64 x86)
  file(WRITE ${STAGE}/${arch}/per_user_settings
       "CursorCadence keeps each user's settings in %APPDATA%\\CursorCadence, not in this folder.\r\n")
endforeach()
execute_process(COMMAND ${WIXL} -a x64 -I ${SOURCE} -D ProductVersion=${VERSION} -o ${PACKAGE}
                        ${SOURCE}/CursorCadence.wxs
                WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY)
foreach(dll x64/CursorCadence.dll x86/CursorCadence.dll)
  file(SIZE ${STAGE}/${dll} size)
  message(STATUS "${dll}: ${size} bytes stripped")
endforeach()
