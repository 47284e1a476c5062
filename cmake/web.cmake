# The browser build's libraries (configured with emcmake; the toolchain is
# Debian's emscripten). The same imported targets as the Linux build, so
# src/ links alike: libopenmpt, libpng, libjpeg and giflib from
# scripts/build-web-deps' prefix (VEXEL_WEB_DEPS); GL is WebGL under the GL
# 1.1 layer (src/platform/gles). No DevIL (the decoders' pixels go to the texture directly), no
# libsndfile (platform/web/no-sndfile: the page plays the module), no SDL
# (platform/web over html5.h).
set(VEXEL_WEB_DEPS "" CACHE PATH "Prefix of scripts/build-web-deps")
if(NOT VEXEL_WEB_DEPS)
  message(FATAL_ERROR "VEXEL_WEB_DEPS: the prefix of scripts/build-web-deps")
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${VEXEL_WEB_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_USE_CMAKE_PREFIX_PATH OFF)
pkg_check_modules(OPENMPT   REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(PNG       REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(JPEG      REQUIRED IMPORTED_TARGET libjpeg)
# The toolchain finds libraries in its own sysroot only: pkg-config's -l
# flags are looked up here.
add_link_options(-L${VEXEL_WEB_DEPS}/lib)
add_library(GIF::GIF INTERFACE IMPORTED)
set_target_properties(GIF::GIF PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${VEXEL_WEB_DEPS}/include"
                      INTERFACE_LINK_LIBRARIES "${VEXEL_WEB_DEPS}/lib/libgif.a")
add_library(vexel_web_sndfile INTERFACE)
target_include_directories(vexel_web_sndfile INTERFACE ${PROJECT_SOURCE_DIR}/src/platform/web/no-sndfile)
add_library(PkgConfig::SNDFILE ALIAS vexel_web_sndfile)
# No OpenGL 1.1 and no GLU: the page draws through the GL layer
# (vexel_gles2, src/platform/gles) on WebGL, which emcc links by itself.
# The names stand for nothing, so that the desktop's library still configures.
add_library(vexel_web_no_gl INTERFACE)
add_library(OpenGL::GL ALIAS vexel_web_no_gl)
add_library(PkgConfig::GLU ALIAS vexel_web_no_gl)
# Every object catches exceptions: libopenmpt throws, and the show catches.
add_compile_options(-sDISABLE_EXCEPTION_CATCHING=0)
add_link_options(-sDISABLE_EXCEPTION_CATCHING=0)
set(VEXEL_TESTS OFF)
