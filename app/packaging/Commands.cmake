# How a command goes into the package: the program into bin, its manual page
# gzipped (as Debian wants it) into the section its file name ends with.
# Each is one line in the command's own CMakeLists.txt, for example
#   galt_install_command(galt-loader-cli)
#   galt_install_man_page(galt-loader-cli.1)
# The pages are Russian, as the users are; a page in another language is
# named for it (galt-loader.en.1) and goes into that language's folder.
include(GNUInstallDirs)
find_program(GALT_GZIP gzip REQUIRED)

# galt_programs builds every command that ships (what ./run.sh builds).
function(galt_install_command target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(NOT TARGET galt_programs)
    add_custom_target(galt_programs)
  endif()
  add_dependencies(galt_programs ${target})
endfunction()

function(galt_install_man_page page)
  get_filename_component(source ${page} ABSOLUTE)
  get_filename_component(name ${page} NAME)
  string(REGEX MATCH "[1-9]$" section ${name})
  if(NOT section)
    message(FATAL_ERROR "${page}: a manual page's file name ends with its section, as galt-loader.1 does")
  endif()
  set(folder ${CMAKE_INSTALL_MANDIR})
  if(name MATCHES "^(.+)\\.([a-z][a-z])\\.([1-9])$")
    set(name ${CMAKE_MATCH_1}.${CMAKE_MATCH_3})
    set(folder ${CMAKE_INSTALL_MANDIR}/${CMAKE_MATCH_2})
  endif()
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/${folder}/${name})
  # -n: no name or time stamp inside, so the same page gives the same bytes.
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${GALT_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "man_${folder}_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${folder}/man${section})
endfunction()
