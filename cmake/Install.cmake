# The installed package: libraries, the public headers under include/orvanta, the CMake package
# OrvantaWebCopy (Orvanta::WebCopy, Orvanta::Launcher) with its version file, and a pkg-config file.
include(CMakePackageConfigHelpers)

set(ORVANTA_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/orvanta)
set(ORVANTA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvantaWebCopy)

set_target_properties(orvanta_webcopy PROPERTIES EXPORT_NAME WebCopy)
set_target_properties(orvanta_launcher PROPERTIES EXPORT_NAME Launcher)
set_target_properties(orvanta_platform PROPERTIES EXPORT_NAME Platform)
set_target_properties(orvanta_widgets PROPERTIES EXPORT_NAME Widgets)
set_target_properties(orvanta_settings PROPERTIES EXPORT_NAME Settings)
foreach(target orvanta_webcopy orvanta_launcher orvanta_platform orvanta_widgets)
  target_include_directories(${target} PUBLIC $<INSTALL_INTERFACE:${ORVANTA_INCLUDE_DIR}>)
endforeach()

get_property(resource_targets GLOBAL PROPERTY ORVANTA_EXPORTED_RESOURCES)
install(TARGETS orvanta_settings orvanta_platform orvanta_widgets orvanta_webcopy orvanta_launcher ${resource_targets}
  EXPORT OrvantaWebCopyTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/orvanta-objects COMPONENT development)

# What a user of the two components includes, and what those headers include in turn.
set(public_headers
  webcopy/DateTime.h webcopy/FileDetailItem.h webcopy/FileDetailItems.h webcopy/ProgressObserver.h
  webcopy/WebCopy.h webcopy/WebCopyIoError.h webcopy/WebCopyItem.h webcopy/WebCopyItems.h webcopy/WebCopyTypes.h
  launcher/RzLauncher.h platform/ProcessHandle.h platform/Shell.h)
foreach(header ${public_headers})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${ORVANTA_INCLUDE_DIR}/${folder} COMPONENT development)
endforeach()

install(EXPORT OrvantaWebCopyTargets NAMESPACE Orvanta:: DESTINATION ${ORVANTA_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/OrvantaWebCopyConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/OrvantaWebCopyConfig.cmake INSTALL_DESTINATION ${ORVANTA_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/OrvantaWebCopyConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/OrvantaWebCopyConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/OrvantaWebCopyConfigVersion.cmake
  DESTINATION ${ORVANTA_CMAKE_DIR} COMPONENT development)

# A static library's Qt resources are objects that nothing references: a program must link them
# by name, or the pictures are missing. The installed objects lie under OBJECTS DESTINATION as
# objects-<configuration>/<target>/<source relative to the target's build folder>.o.
set(pc_resource_objects "")
foreach(target ${resource_targets})
  get_target_property(sources ${target} SOURCES)
  get_target_property(target_binary_dir ${target} BINARY_DIR)
  foreach(source ${sources})
    if(source MATCHES "/qrc_[^/]*\\.cpp$")
      file(RELATIVE_PATH object ${target_binary_dir} ${source})
      string(APPEND pc_resource_objects
        " \${libdir}/orvanta-objects/objects-${CMAKE_BUILD_TYPE}/${target}/${object}${CMAKE_CXX_OUTPUT_EXTENSION}")
    endif()
  endforeach()
endforeach()

# The prefix is found from the file's own place, so the file stays true wherever the package is
# installed: `cmake --install --prefix`, a Debian package, an unpacked tree.
file(RELATIVE_PATH pc_prefix_from_pcfiledir ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/orvanta-webcopy.pc.in ${CMAKE_CURRENT_BINARY_DIR}/orvanta-webcopy.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/orvanta-webcopy.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)
