# What `cmake --install` puts under the prefix, and the Debian package of the
# tool (`cpack -G DEB` in the build folder).
#
# Components: "tool" is the program, its man page and its bash completion;
# "devel" the static libraries, their public headers, the CMake package
# that other projects find with find_package(lumcc CONFIG) and one pkg-config
# file per library (lumcc-<name>.pc) for every other build system.
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
# The libraries are C++ inside: a program linked by the C compiler (a C
# project's) must name the C++ run-time libraries that the C compiler does not
# link by itself. The CMake package names them when the project has no C++
# enabled, the pkg-config files with --static.
set(LUM_CXX_RUNTIME ${CMAKE_CXX_IMPLICIT_LINK_LIBRARIES})
list(REMOVE_ITEM LUM_CXX_RUNTIME ${CMAKE_C_IMPLICIT_LINK_LIBRARIES})
list(REMOVE_DUPLICATES LUM_CXX_RUNTIME)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/lumccConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lumccConfig.cmake INSTALL_DESTINATION ${LUM_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lumccConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lumccConfig.cmake ${PROJECT_BINARY_DIR}/lumccConfigVersion.cmake
        DESTINATION ${LUM_PACKAGE_DIR} COMPONENT devel)

# pkg-config files. Each names its library and include folder, and in
# Requires.private and Libs.private the libraries it links (as its CMake target
# does) and the system's, which a static link needs:
#   pkg-config --cflags --libs --static lumcc-cmdopt
# Their prefix is found from the file's own folder (${pcfiledir}), so the tree
# can be moved; only an absolute CMAKE_INSTALL_LIBDIR or CMAKE_INSTALL_INCLUDEDIR
# is written as it is.
set(LUM_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(LUM_PC_DESCRIPTION_std "messages, memory spaces, processes, threads, collections")
set(LUM_PC_DESCRIPTION_cmdopt "the command-line option library")
set(LUM_PC_DESCRIPTION_elf "ar archives, ELF images, fat-binary containers")
set(LUM_PC_DESCRIPTION_targets "the LUM target registry and identification")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(LUM_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(LUM_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
else()
  file(RELATIVE_PATH up /prefix/${LUM_PKGCONFIG_DIR} /prefix)
  string(REGEX REPLACE "/$" "" up "${up}")
  set(LUM_PC_PREFIX "\${pcfiledir}/${up}")
  set(LUM_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(LUM_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
else()
  set(LUM_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
set(system_libraries)
foreach(runtime ${LUM_CXX_RUNTIME})
  if(IS_ABSOLUTE "${runtime}" OR runtime MATCHES "^-")
    list(APPEND system_libraries ${runtime})
  else()
    list(APPEND system_libraries -l${runtime})
  endif()
endforeach()
foreach(library ${LUM_LIBRARIES})
  get_target_property(LUM_PC_LIBRARY ${library} EXPORT_NAME)
  set(LUM_PC_ARCHIVE ${library})
  set(LUM_PC_DESCRIPTION ${LUM_PC_DESCRIPTION_${LUM_PC_LIBRARY}})
  set(requires)
  set(libraries)
  get_target_property(links ${library} LINK_LIBRARIES)
  # A library that another one linked here links already is left out.
  set(implied)
  foreach(link ${links})
    if(link IN_LIST LUM_LIBRARIES)
      get_target_property(below ${link} LINK_LIBRARIES)
      list(APPEND implied ${below})
    endif()
  endforeach()
  foreach(link ${links})
    if(link IN_LIST implied)
      continue()
    endif()
    if(link IN_LIST LUM_LIBRARIES)
      get_target_property(name ${link} EXPORT_NAME)
      list(APPEND requires "lumcc-${name} = ${PROJECT_VERSION}")
    elseif(link STREQUAL "Threads::Threads")
      list(APPEND libraries -pthread)
    else()
      message(FATAL_ERROR "lumcc-${LUM_PC_LIBRARY}.pc: no pkg-config form for ${link}")
    endif()
  endforeach()
  set(LUM_PC_REQUIRES)
  if(requires)
    list(JOIN requires ", " LUM_PC_REQUIRES)
    set(LUM_PC_REQUIRES "Requires.private: ${LUM_PC_REQUIRES}\n")
  endif()
  # The C++ run time goes with the bottom layer, which every other requires:
  # it then comes once, at the end of the static link line.
  set(LUM_PC_LIBS)
  if(NOT requires)
    list(APPEND libraries ${system_libraries})
  endif()
  if(libraries)
    list(JOIN libraries " " LUM_PC_LIBS)
    set(LUM_PC_LIBS "Libs.private: ${LUM_PC_LIBS}\n")
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/lumcc.pc.in
                 ${PROJECT_BINARY_DIR}/pkgconfig/lumcc-${LUM_PC_LIBRARY}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/lumcc-${LUM_PC_LIBRARY}.pc
          DESTINATION ${LUM_PKGCONFIG_DIR} COMPONENT devel)
endforeach()

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
