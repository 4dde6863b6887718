# Runs at install time (cmake --install, with any --prefix), after the programs are in place.
# Writes the D-Bus service file and the desktop entry with the absolute paths of the installed
# programs, and creates the task database when none is there (never for the package, whose
# users' databases live in their data folders). Paths written into files leave DESTDIR out;
# files go under it.
# Expects DUEBOARD_PACKAGING_DIR, DUEBOARD_GENERATED_DIR, DUEBOARD_PROGRAM_DIR (relative) and
# DUEBOARD_PACKAGE.

set(program_dir "${CMAKE_INSTALL_PREFIX}/${DUEBOARD_PROGRAM_DIR}")

# D-Bus splits Exec like a shell, without % codes: single quotes keep spaces, and a quote inside
# is closed, escaped and reopened. Its file reader then takes a backslash as an escape, so it is
# doubled.
string(REPLACE "'" "'\\\\''" server "${program_dir}/dueboard-server")
set(DUEBOARD_SERVER_PATH "'${server}'")
configure_file("${DUEBOARD_PACKAGING_DIR}/dbus/Dueboard.clsDueboard.service.in"
  "${DUEBOARD_GENERATED_DIR}/Dueboard.clsDueboard.service" @ONLY)

# A path that needs no quoting is written bare; one with other reserved characters goes in
# double quotes, which then needs no escape.
set(DUEBOARD_LAUNCHER "${program_dir}/dueboard")
set(DUEBOARD_LAUNCHER_EXEC "${DUEBOARD_LAUNCHER}")
if(DUEBOARD_LAUNCHER_EXEC MATCHES "[ '<>~|&;*?#()]")
  set(DUEBOARD_LAUNCHER_EXEC "\"${DUEBOARD_LAUNCHER_EXEC}\"")
endif()
configure_file("${DUEBOARD_PACKAGING_DIR}/org.example.Dueboard.desktop.in"
  "${DUEBOARD_GENERATED_DIR}/org.example.Dueboard.desktop" @ONLY)

if(DUEBOARD_PACKAGE)
  return()
endif()
# The installed tool never touches an existing database, so a reinstall or an upgrade keeps
# every task. The file stays out of the install manifest: uninstalling leaves it.
set(staged_dir "$ENV{DESTDIR}${program_dir}")
execute_process(COMMAND "${staged_dir}/dueboard-initdb" "${staged_dir}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Could not create the task database in ${staged_dir}")
endif()
