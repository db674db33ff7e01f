# Fails when the Qt-free layers use Qt: a Qt header included by a source file of a core
# folder, or vexilo-cli (which must run without Qt) linked against a Qt library.
#   cmake -DSOURCE_DIR=<project> -DCLI=<path of vexilo-cli> -P check_layers.cmake
set(CORE_FOLDERS
  app/imaging app/camera app/measure app/calib app/files app/res app/shell/core app/dialogs/core app/cli
  platform driver simcam)

set(problems "")
foreach(folder ${CORE_FOLDERS})
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q|Qt)[A-Za-z]*[/>\"]")
    if(includes)
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
      list(APPEND problems "${shown} includes Qt: ${includes}")
    endif()
  endforeach()
endforeach()

if(CLI)
  execute_process(COMMAND ldd "${CLI}" OUTPUT_VARIABLE libraries RESULT_VARIABLE ldd_result)
  if(NOT ldd_result EQUAL 0)
    list(APPEND problems "ldd cannot read ${CLI}")
  elseif(libraries MATCHES "libQt")
    list(APPEND problems "vexilo-cli links Qt")
  endif()
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The core layers must not use Qt:\n  ${text}")
endif()
message(STATUS "The core layers are free of Qt")
