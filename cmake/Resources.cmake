# The executable's resources: the icon, drawn at build time by src/res/make_icon.py, and the
# application manifest, compiled by windres from src/res/uninstall.rc.
enable_language(RC)
# windres takes none of the compiler's options (-Os, -W..., -f...): defines and includes only.
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> -O coff <DEFINES> <INCLUDES> <SOURCE> <OBJECT>")
find_package(Python3 COMPONENTS Interpreter REQUIRED)

set(RES_BINARY_DIR ${PROJECT_BINARY_DIR}/res)
set(RES_SOURCE_DIR ${PROJECT_SOURCE_DIR}/src/res)
add_custom_command(
  OUTPUT ${RES_BINARY_DIR}/uninstall.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RES_BINARY_DIR}
  COMMAND ${Python3_EXECUTABLE} ${RES_SOURCE_DIR}/make_icon.py ${RES_BINARY_DIR}/uninstall.ico
  DEPENDS ${RES_SOURCE_DIR}/make_icon.py
  COMMENT "Drawing uninstall.ico"
  VERBATIM)

# GCC links mingw-w64's default-manifest.o, where installed, into every program; an empty
# object of that name found first through -B keeps that second manifest out.
add_custom_command(
  OUTPUT ${RES_BINARY_DIR}/nomanifest/default-manifest.o
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RES_BINARY_DIR}/nomanifest
  COMMAND ${CMAKE_C_COMPILER} -c -x c /dev/null -o ${RES_BINARY_DIR}/nomanifest/default-manifest.o
  VERBATIM)

target_sources(uninstall PRIVATE ${RES_SOURCE_DIR}/uninstall.rc
  ${RES_BINARY_DIR}/nomanifest/default-manifest.o)
set_source_files_properties(${RES_SOURCE_DIR}/uninstall.rc PROPERTIES
  INCLUDE_DIRECTORIES "${RES_BINARY_DIR};${RES_SOURCE_DIR}"
  OBJECT_DEPENDS "${RES_BINARY_DIR}/uninstall.ico;${RES_SOURCE_DIR}/uninstall.manifest")
set_source_files_properties(${RES_BINARY_DIR}/nomanifest/default-manifest.o PROPERTIES
  HEADER_FILE_ONLY TRUE)
target_link_options(uninstall PRIVATE -B${RES_BINARY_DIR}/nomanifest/)
