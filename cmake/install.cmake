# Installing the show the Debian way (`cmake --install`, `make deb`):
#   <prefix>/games/tessaline                      the program
#   <prefix>/share/games/tessaline/data/...       its data (the program finds it there)
#   <prefix>/share/applications, icons/hicolor, metainfo, man/man6, doc/tessaline
# With the prefix /usr this is Debian's layout for games.
if(VEXEL_UNIT_ONLY)
  return()
endif()

set(VEXEL_APP_ID org.zurak.tessaline)
set(VEXEL_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tessaline)

install(TARGETS tessaline RUNTIME DESTINATION games)
# The whole generated data folder: the show's files, the streamed music its
# other build configuration plays, and the developer overlay's glyphs (--dev).
install(DIRECTORY ${VEXEL_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/games/tessaline/data)

# The metainfo and the manual page take the version and the release date
# from the project (the date: the last commit's, so a rebuild gives the same files).
execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%cs
                OUTPUT_VARIABLE VEXEL_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT VEXEL_RELEASE_DATE)
  string(TIMESTAMP VEXEL_RELEASE_DATE "%Y-%m-%d" UTC)
endif()
string(SUBSTRING ${VEXEL_RELEASE_DATE} 0 7 VEXEL_RELEASE_MONTH)
configure_file(packaging/${VEXEL_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${VEXEL_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/tessaline.6.in ${CMAKE_BINARY_DIR}/packaging/tessaline.6 @ONLY)

install(FILES packaging/${VEXEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VEXEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
  install(FILES ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/tessaline.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants manual pages and changelogs compressed, without a timestamp
# (gzip -n), so that the same sources give the same package.
find_program(VEXEL_GZIP gzip REQUIRED)
set(VEXEL_MAN_PAGE ${CMAKE_BINARY_DIR}/packaging/tessaline.6.gz)
set(VEXEL_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${VEXEL_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${VEXEL_GZIP} -9n -c ${CMAKE_BINARY_DIR}/packaging/tessaline.6 > ${VEXEL_MAN_PAGE}
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/tessaline.6
  COMMENT "Compressing the manual page")
add_custom_command(
  OUTPUT ${VEXEL_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${VEXEL_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${VEXEL_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the changelog")
add_custom_target(tessaline_package_docs ALL DEPENDS ${VEXEL_MAN_PAGE} ${VEXEL_CHANGELOG})
install(FILES ${VEXEL_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${VEXEL_CHANGELOG} packaging/copyright DESTINATION ${VEXEL_PACKAGE_DOC_DIR})

# ---- the Debian package (make deb) ---------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR zurak)
set(CPACK_PACKAGE_CONTACT "zurak <zurak@tessaline.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time demo of a glossy 3D heart to an original tracker tune")
# The extended description; CPack puts the summary above it as its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"tessaline is a demoscene production by zurak. It plays full screen, in
real time, one original tracker module (XM) and two scenes around a
glossy red heart: it emerges from black, jumps on every kick of the
drums under four text images, and gives way to seven small hearts that
rise under the group's greetings. Every cue follows the music's order
and row. Escape ends the show.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dependencies from dpkg-shlibdeps
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
include(CPack)
