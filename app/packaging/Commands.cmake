# How a command goes into the package: the program into bin, its manual page
# gzipped (as Debian wants it) into the section its file name ends with.
# Each is one line in the command's own CMakeLists.txt, for example
#   galt_install_command(galt-loader-cli)
#   galt_install_man_page(galt-loader-cli.1)
include(GNUInstallDirs)
find_program(GALT_GZIP gzip REQUIRED)

function(galt_install_command target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

function(galt_install_man_page page)
  get_filename_component(source ${page} ABSOLUTE)
  get_filename_component(name ${page} NAME)
  string(REGEX MATCH "[1-9]$" section ${name})
  if(NOT section)
    message(FATAL_ERROR "${page}: a manual page's file name ends with its section, as galt-loader.1 does")
  endif()
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/man/${name})
  # -n: no name or time stamp inside, so the same page gives the same bytes.
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${GALT_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
