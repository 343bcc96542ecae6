# Installing for packagers, and the portable release archives.
#
#   cmake --install BUILD --prefix DIR   program in DIR/bin, man page in DIR/share/man/man1
#   cpack --preset linux | linux-arm64 | windows   a portable archive (scripts/package.sh makes all)
#
# The program reads its document from its own folder, so the archive keeps everything in one
# folder, the program at its top: unpack it next to the documents, or call the program with names
# relative to it. The Windows archive also carries the library, for programs that convert
# through it.
include(GNUInstallDirs)

configure_file(${PROJECT_SOURCE_DIR}/man/rtfplain.1.in ${PROJECT_BINARY_DIR}/man/rtfplain.1 @ONLY)
set(RTFPLAIN_MAN_PAGE ${PROJECT_BINARY_DIR}/man/rtfplain.1)

install(TARGETS rtfplain RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${RTFPLAIN_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT program)

install(TARGETS rtfplain RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .
        COMPONENT portable EXCLUDE_FROM_ALL)
if(NOT WIN32)
  install(FILES ${RTFPLAIN_MAN_PAGE} DESTINATION . COMPONENT portable
          EXCLUDE_FROM_ALL)
endif()
if(WIN32)
  # rtfplain.dll beside the program, with its MinGW import library and the .def file MSVC's lib
  # makes an import library from, so that `-L.` finds it; the header in include/. Linux users
  # build the library from source (cmake --install), so the Linux archives hold the program only.
  install(TARGETS rtfplain_shared
          RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL
          ARCHIVE DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/src/library/rtfplain.def DESTINATION .
          COMPONENT portable EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/include/rtfplain.h DESTINATION include
          COMPONENT portable EXCLUDE_FROM_ALL)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/Notices.cmake)
rtfplain_notices(LICENSES)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
else()
  set(CPACK_GENERATOR TGZ)
  # Named as the processor is usually called: linux-x86_64, linux-arm64.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
    set(CPACK_SYSTEM_NAME linux-arm64)
  else()
    set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
  endif()
endif()
set(CPACK_PACKAGE_NAME rtfplain)
set(CPACK_PACKAGE_VENDOR "rtfplain developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL portable)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)  # one folder, named like the archive
set(CPACK_STRIP_FILES ON)
include(CPack)
