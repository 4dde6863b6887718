# Runs at install time before anything is copied: a prefix whose paths the desktop entry or the
# D-Bus service file cannot hold stops the install. Every reader of desktop entries must take the
# menu entry's Exec for the launcher: GLib refuses a program path that needs "%%", dex mis-reads
# the backslash escapes of " ` $ and \, and no key file holds a control character.

set(program_dir "${CMAKE_INSTALL_PREFIX}/${DUEBOARD_PROGRAM_DIR}")
string(REGEX MATCH [=[[%"`$\]]=] unreadable "${program_dir}")
foreach(code RANGE 1 31)
  string(ASCII ${code} control)
  string(FIND "${program_dir}" "${control}" at)
  if(at GREATER -1)
    set(unreadable "a control character")
  endif()
endforeach()
if(NOT unreadable STREQUAL "")
  message(FATAL_ERROR "Cannot install Dueboard into ${CMAKE_INSTALL_PREFIX}: its path holds "
    "${unreadable}, and desktops cannot start a program from a path with %, \", `, $, \\ or a "
    "control character in it. Nothing was installed. Choose a prefix without them "
    "(cmake --install build --prefix DIR).")
endif()
