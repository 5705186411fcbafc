# orvanta_install_manual_page(<page> COMPONENT <component>): installs the manual page <page>
# (a file named NAME.SECTION, relative to the current source folder) compressed, as man and
# Debian expect it: share/man/manSECTION/NAME.SECTION.gz. gzip -n leaves out the name and time,
# so the same page always gives the same bytes.
function(orvanta_install_manual_page page)
  cmake_parse_arguments(ARG "" "COMPONENT" "" ${ARGN})
  get_filename_component(name ${page} NAME)
  string(REGEX MATCH "[^.]+$" section ${name})
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/${page})
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND gzip -9 -n -c ${source} > ${compressed}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  add_custom_target(manual_page_${name} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${ARG_COMPONENT})
endfunction()
