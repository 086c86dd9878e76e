# The window program on Windows: native Win32 controls and the grid view under the form's
# handlers, with its icon, version and manifest compiled in by windres.
enable_language(RC)

# The program put together, for quorvane.exe and the window tests.
add_library(quorvane_win32_program STATIC win32_program.cpp)
target_link_libraries(quorvane_win32_program PUBLIC quorvane_form quorvane_win32 quorvane_os_win32
                                                    quorvane_window_arguments)

add_executable(quorvane WIN32 win32_main.cpp ${CMAKE_CURRENT_BINARY_DIR}/quorvane.rc)
target_link_libraries(quorvane PRIVATE quorvane_win32_program ole32)
# wWinMain: the command line as UTF-16.
target_link_options(quorvane PRIVATE -municode)
target_compile_definitions(quorvane PRIVATE QUORVANE_VERSION="${Quorvane_VERSION}")

# The resource script names the icon images with their sizes, and the version in the forms
# that the version resource and the manifest want ("0,1,0,0", "0.1.0.0").
set(QUORVANE_ICON16 ${CMAKE_CURRENT_SOURCE_DIR}/icons/quorvane-16.png)
set(QUORVANE_ICON32 ${CMAKE_CURRENT_SOURCE_DIR}/icons/quorvane-32.png)
file(SIZE ${QUORVANE_ICON16} QUORVANE_ICON16_SIZE)
file(SIZE ${QUORVANE_ICON32} QUORVANE_ICON32_SIZE)
string(REPLACE "." ";" version_parts "${Quorvane_VERSION}.0.0.0")
list(SUBLIST version_parts 0 4 version_parts)
list(JOIN version_parts "," QUORVANE_VERSION_COMMAS)
list(JOIN version_parts "." QUORVANE_VERSION4)
set(QUORVANE_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/quorvane.manifest)
configure_file(quorvane.manifest.in ${QUORVANE_MANIFEST} @ONLY)
configure_file(quorvane.rc.in ${CMAKE_CURRENT_BINARY_DIR}/quorvane.rc @ONLY)
# The resource script includes app/win32_resources.h from the source root.
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/quorvane.rc PROPERTIES
  OBJECT_DEPENDS "${QUORVANE_ICON16};${QUORVANE_ICON32};${QUORVANE_MANIFEST}")

install(TARGETS quorvane RUNTIME DESTINATION bin)
# The licence beside the program, for whatever ships it (a zip, an installer).
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_BINARY_DIR}/LICENSE COPYONLY)
