# What `cmake --install` puts under the prefix, and the Debian package of the
# tool (`cpack -G DEB` in the build folder).
#
# Components: "tool" is the program, its man page and its bash completion;
# "devel" the static libraries, their public headers and the CMake package
# that other projects find with find_package(lumcc CONFIG).
include(CMakePackageConfigHelpers)

set(LUM_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/lumcc)
set(LUM_LIBRARIES lumstd lumcmdopt lumelf lumtargets)

install(TARGETS lumcc-extract RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
install(FILES ${LUM_EXTRACT_MAN_PAGE}.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
install(FILES ${LUM_EXTRACT_COMPLETION} RENAME lumcc-extract
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT tool)

install(TARGETS ${LUM_LIBRARIES} EXPORT lumccTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel)
foreach(library ${LUM_LIBRARIES})
  get_target_property(name ${library} EXPORT_NAME)
  get_target_property(headers ${library} LUM_PUBLIC_HEADERS)
  install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumcc/${name} COMPONENT devel)
endforeach()
install(EXPORT lumccTargets NAMESPACE lumcc:: DESTINATION ${LUM_PACKAGE_DIR} COMPONENT devel)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/lumccConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lumccConfig.cmake INSTALL_DESTINATION ${LUM_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lumccConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lumccConfig.cmake ${PROJECT_BINARY_DIR}/lumccConfigVersion.cmake
        DESTINATION ${LUM_PACKAGE_DIR} COMPONENT devel)

# The Debian package holds the tool component, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumcc-extract)
set(CPACK_PACKAGE_VENDOR "The lumcc developers")
set(CPACK_PACKAGE_CONTACT "The lumcc developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "extracts device executables from LUM programs and lists their apps")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tool)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME lumcc-extract)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
