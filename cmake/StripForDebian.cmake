# Run by CPack on the staged files before it packs them (CPACK_PRE_BUILD_SCRIPTS): strips them
# as Debian strips its packages. The programs lose their symbols, debug information and the
# compiler's notes; the static libraries and objects of the development package lose the debug
# information and notes but keep their symbols (archives without dates and owners). With their
# debug information the libraries were six times the size and slow to compress.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
file(GLOB_RECURSE archives "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.a" "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.o")
set(notes --remove-section=.comment --remove-section=.note)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_ORVANTA_STRIP} ${notes} ${program} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
foreach(archive IN LISTS archives)
  execute_process(COMMAND ${CPACK_ORVANTA_STRIP} --strip-debug ${notes} --enable-deterministic-archives ${archive}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
if(NOT programs OR NOT archives)
  message(FATAL_ERROR "Nothing to strip in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}: programs '${programs}', libraries '${archives}'")
endif()
