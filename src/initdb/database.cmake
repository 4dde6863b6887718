# Runs dueboard-initdb for the build's program directory only when it holds no database, so
# that a build with nothing to do says nothing about it.
if(NOT EXISTS "${DIR}/Dueboard.mdb")
  execute_process(COMMAND "${TOOL}" "${DIR}" COMMAND_ERROR_IS_FATAL ANY)
endif()
