# The Windows program's resources (included from src/ for the tessaline
# target): the manifest (UTF-8 code page, per-monitor DPI awareness v2,
# Windows 10 and 11), the version taken from the project, and the heart as
# the icon where VEXEL_WINDOWS_ICON names one (scripts/make-windows makes it
# with the native tree's image generator). A GUI program: no console opens.
set(VEXEL_WINDOWS_ICON "" CACHE FILEPATH "The program's icon (.ico); none when empty")
set(windowsDir ${PROJECT_SOURCE_DIR}/packaging/windows)
configure_file(${windowsDir}/tessaline.exe.manifest.in ${CMAKE_BINARY_DIR}/tessaline.exe.manifest @ONLY)
if(VEXEL_WINDOWS_ICON)
  set(VEXEL_ICON_LINE "1 ICON \"${VEXEL_WINDOWS_ICON}\"")
else()
  set(VEXEL_ICON_LINE "")
endif()
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licenceText)
string(REGEX MATCH "Copyright[^\n]*" VEXEL_COPYRIGHT "${licenceText}")
configure_file(${windowsDir}/tessaline.rc.in ${CMAKE_BINARY_DIR}/tessaline.rc @ONLY)
target_sources(tessaline PRIVATE ${CMAKE_BINARY_DIR}/tessaline.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/tessaline.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/tessaline.exe.manifest;${VEXEL_WINDOWS_ICON}")
set_target_properties(tessaline PROPERTIES WIN32_EXECUTABLE ON)
