# SPDX-License-Identifier: GPL-3.0-or-later
# Run at install time: the menu entry names the installed program by its full
# path, which is known only once the prefix is (cmake --install --prefix, the
# package's /usr). The build sets korvex_entry_in, korvex_entry_out,
# korvex_bindir and korvex_appsdir.
cmake_path(ABSOLUTE_PATH korvex_bindir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE OUTPUT_VARIABLE exe)
string(APPEND exe "/korvex")
# The entry's quoting for a path with a space in it.
if(exe MATCHES " ")
  set(exe "\"${exe}\"")
endif()
file(READ "${korvex_entry_in}" entry)
string(REPLACE "@KORVEX_EXEC@" "${exe}" entry "${entry}")
file(WRITE "${korvex_entry_out}" "${entry}")
cmake_path(ABSOLUTE_PATH korvex_appsdir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE OUTPUT_VARIABLE dest)
file(INSTALL DESTINATION "${dest}" TYPE FILE FILES "${korvex_entry_out}")
