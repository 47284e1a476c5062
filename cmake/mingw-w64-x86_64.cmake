# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (GCC, posix
# threads: std::thread and std::mutex need them). The libraries built by
# scripts/build-windows-deps are found under VEXEL_WINDOWS_DEPS (a list of
# prefixes, one a library: bin/ with the DLLs, lib/ with import libraries and
# pkg-config files, include/), and nothing of the build machine's own is.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_AR ${triplet}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${triplet}-ranlib CACHE FILEPATH "")

# Read again for every try_compile: the prefix travels through the
# environment there.
if(NOT VEXEL_WINDOWS_DEPS AND DEFINED ENV{VEXEL_WINDOWS_DEPS})
  set(VEXEL_WINDOWS_DEPS $ENV{VEXEL_WINDOWS_DEPS})
endif()
if(VEXEL_WINDOWS_DEPS)
  set(ENV{VEXEL_WINDOWS_DEPS} "${VEXEL_WINDOWS_DEPS}")
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEXEL_WINDOWS_DEPS)
  set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${VEXEL_WINDOWS_DEPS})
  list(TRANSFORM VEXEL_WINDOWS_DEPS APPEND /lib/pkgconfig OUTPUT_VARIABLE vexel_pkgconfig_dirs)
  string(JOIN ":" vexel_pkgconfig_dirs ${vexel_pkgconfig_dirs})
  set(ENV{PKG_CONFIG_LIBDIR} "${vexel_pkgconfig_dirs}")
else()
  set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
  set(ENV{PKG_CONFIG_LIBDIR} /nonexistent)
endif()
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
