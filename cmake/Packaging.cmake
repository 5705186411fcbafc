# Debian packages, made by CPack from the install components (scripts/package runs it):
#   orvanta-setup           the wizard, with its desktop entry, icons and AppStream metadata
#   orvanta-webcopy         the webcopy command, its manual page and bash completion
#   liborvanta-webcopy-dev  the static libraries, headers, CMake package and pkg-config file
# dpkg-shlibdeps finds the libraries the programs load at start; what they load later or run
# is declared here.
set(ORVANTA_MAINTAINER "Orvanta Software <support@orvanta.com>")
set(ORVANTA_DEBIAN_REVISION 1)
set(ORVANTA_DEBIAN_VERSION ${PROJECT_VERSION}-${ORVANTA_DEBIAN_REVISION})

# The installed programs bind every symbol at start, so their relocations can be read-only
# (full RELRO, as Debian builds its programs). Linking only: nothing is compiled again.
target_link_options(orvanta-setup PRIVATE LINKER:-z,relro,-z,now)
target_link_options(webcopy PRIVATE LINKER:-z,relro,-z,now)

# Every package carries the maker's copyright and a Debian changelog in /usr/share/doc/<package>.
execute_process(COMMAND date -u -R -d "${ORVANTA_RELEASE_DATE} 12:00:00"
  OUTPUT_VARIABLE release_date_rfc2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright @ONLY)
set(packages wizard orvanta-setup command orvanta-webcopy development liborvanta-webcopy-dev)
while(packages)
  list(POP_FRONT packages component package)
  set(doc ${CMAKE_CURRENT_BINARY_DIR}/debian/${package})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.Debian.in ${doc}/changelog.Debian @ONLY)
  add_custom_command(OUTPUT ${doc}/changelog.Debian.gz
    COMMAND gzip -9 -n -f ${doc}/changelog.Debian -c > ${doc}/changelog.Debian.gz
    DEPENDS ${doc}/changelog.Debian
    VERBATIM)
  add_custom_target(changelog_${package} ALL DEPENDS ${doc}/changelog.Debian.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright ${doc}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
endwhile()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanta)
set(CPACK_PACKAGE_VENDOR "Orvanta Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ORVANTA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVANTA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ORVANTA_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVANTA_SITE_BASE_ADDRESS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL wizard command development)

# Stripped as Debian strips: the programs whole, the static libraries of their debug information.
set(CPACK_ORVANTA_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripForDebian.cmake)
# Directories as Debian wants them, whatever the umask of the machine that builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The share client is loaded when a share is first used, the desktop's opener runs for links and
# documents, and libproxy resolves proxy auto-configuration scripts through a plug-in.
set(runtime_recommends "libsmbclient, xdg-utils, libproxy1-plugin-webkit")

set(CPACK_DEBIAN_WIZARD_PACKAGE_SECTION misc)
# The fonts the windows' layout was made for, or their nearest stand-ins (see PreferredFont).
set(CPACK_DEBIAN_WIZARD_PACKAGE_RECOMMENDS "${runtime_recommends}, fonts-lato, fonts-dejavu-core")
set(CPACK_DEBIAN_WIZARD_DESCRIPTION "trial setup wizard of the Orvanta 5 call management application
Orvanta 5 is an office application for managing and tracking phone calls.
This wizard installs a trial of its two parts on the office network: the
Server, installed once, and the Workstation, installed on every computer.
It downloads the setup program over HTTPS with a progress dialog, runs it
(once its signature proves it, when the wizard was built with the maker's
key) and then points to the next steps.")

set(CPACK_DEBIAN_COMMAND_PACKAGE_SECTION net)
set(CPACK_DEBIAN_COMMAND_PACKAGE_RECOMMENDS "libsmbclient, libproxy1-plugin-webkit")
set(CPACK_DEBIAN_COMMAND_DESCRIPTION "copy files over HTTP, FTP and network shares from the shell
The webcopy command runs the Orvanta web copy engine without a window:
downloads and uploads over HTTP and HTTPS, FTP transfers and listings,
and copies of local and network-share files, with overwrite, unique-name
and newer-only rules. A target only ever shows a complete file. Progress
goes to the terminal or, as JSON events, to other programs.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# The libraries are static: a program built on them links what they link.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "qt6-base-dev, qt6-svg-dev, libcurl4-openssl-dev | libcurl-dev, libssl-dev, libsodium-dev, libproxy-dev, libx11-dev, pkg-config")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_RECOMMENDS ${runtime_recommends})
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Orvanta web copy engine and process launcher - development files
Static libraries and headers of the Orvanta web copy engine (HTTP, HTTPS,
FTP and network-share transfers with a progress dialog and events) and of
the process launcher, for embedding them in other programs. Includes the
CMake package OrvantaWebCopy (Orvanta::WebCopy, Orvanta::Launcher) and the
pkg-config file orvanta-webcopy.")

include(CPack)
