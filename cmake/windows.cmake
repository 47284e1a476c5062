# The Windows build's libraries (cross-compiled with cmake/mingw-w64-x86_64.cmake;
# the toolchain file points pkg-config at scripts/build-windows-deps' prefix).
# The same imported targets as the Linux build, so src/ links alike; GL and
# GLU are Windows' own opengl32 and glu32. No DevIL: its sources cannot be
# had from the archive, so the decoders' pixels go to the texture directly
# (image/image_direct.cpp). giflib has no pkg-config file: CMake's FindGIF.
pkg_check_modules(SDL2      REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(OPENMPT   REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(SNDFILE   REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(PNG       REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(JPEG      REQUIRED IMPORTED_TARGET libjpeg)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
add_library(vexel_glu INTERFACE)
target_link_libraries(vexel_glu INTERFACE glu32)
add_library(PkgConfig::GLU ALIAS vexel_glu)
# Nothing of the C and C++ runtimes but the system's msvcrt: libgcc,
# libstdc++ and winpthread are linked in, so the zip holds no compiler DLLs.
# libstdc++ and winpthread go last on the link line, winpthread after what
# uses it, and only for what is used (the whole archive would bring its own
# version resource along).
add_link_options(-static-libgcc -static-libstdc++)
set(CMAKE_CXX_STANDARD_LIBRARIES "-Wl,-Bstatic -lstdc++ -lwinpthread -Wl,-Bdynamic ${CMAKE_CXX_STANDARD_LIBRARIES}")
# windows.h leaves out its window-manager names (WM_SIZE, VK_ESCAPE, ...),
# which the platform interface declares itself; printf and friends are
# MinGW's C99 ones (%zu, %lld).
add_compile_definitions(WIN32_LEAN_AND_MEAN NOUSER __USE_MINGW_ANSI_STDIO=1)
set(VEXEL_TESTS OFF)
enable_language(RC)
find_package(GIF 5 REQUIRED)
