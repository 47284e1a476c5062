#include "scene_test_support.h"

#include <GL/glu.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "render/texture_manager.h"
#include "test_paths.h"

GlState captureGlState() {
    GlState s{};
    s.texture2d = glIsEnabled(GL_TEXTURE_2D);
    s.textureGenS = glIsEnabled(GL_TEXTURE_GEN_S);
    s.textureGenT = glIsEnabled(GL_TEXTURE_GEN_T);
    s.blend = glIsEnabled(GL_BLEND);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    s.lighting = glIsEnabled(GL_LIGHTING);
    s.cullFace = glIsEnabled(GL_CULL_FACE);
    s.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
    s.normalArray = glIsEnabled(GL_NORMAL_ARRAY);
    s.colourArray = glIsEnabled(GL_COLOR_ARRAY);
    s.texCoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &s.blendDst);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.texEnvMode);
    glGetFloatv(GL_CURRENT_COLOR, s.colour);
    glGetFloatv(GL_CURRENT_NORMAL, s.normal);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    return s;
}

namespace {

template <typename T>
void compareField(std::ostringstream& out, const char* name, const T& a, const T& b) {
    if (!(a == b)) {
        out << name << ": " << +a << " -> " << +b << "\n";
    }
}

void compareArray(std::ostringstream& out, const char* name, const float* a, const float* b, int n) {
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            out << name << "[" << i << "]: " << a[i] << " -> " << b[i] << "\n";
        }
    }
}

}  // namespace

std::string describeDifferences(const GlState& a, const GlState& b) {
    std::ostringstream out;
    compareField(out, "GL_TEXTURE_2D", a.texture2d, b.texture2d);
    compareField(out, "GL_TEXTURE_GEN_S", a.textureGenS, b.textureGenS);
    compareField(out, "GL_TEXTURE_GEN_T", a.textureGenT, b.textureGenT);
    compareField(out, "GL_BLEND", a.blend, b.blend);
    compareField(out, "GL_DEPTH_TEST", a.depthTest, b.depthTest);
    compareField(out, "GL_LIGHTING", a.lighting, b.lighting);
    compareField(out, "GL_CULL_FACE", a.cullFace, b.cullFace);
    compareField(out, "GL_VERTEX_ARRAY", a.vertexArray, b.vertexArray);
    compareField(out, "GL_NORMAL_ARRAY", a.normalArray, b.normalArray);
    compareField(out, "GL_COLOR_ARRAY", a.colourArray, b.colourArray);
    compareField(out, "GL_TEXTURE_COORD_ARRAY", a.texCoordArray, b.texCoordArray);
    compareField(out, "depth mask", a.depthMask, b.depthMask);
    compareField(out, "blend src", a.blendSrc, b.blendSrc);
    compareField(out, "blend dst", a.blendDst, b.blendDst);
    compareField(out, "bound texture", a.boundTexture, b.boundTexture);
    compareField(out, "matrix mode", a.matrixMode, b.matrixMode);
    compareField(out, "texture env mode", a.texEnvMode, b.texEnvMode);
    compareArray(out, "colour", a.colour, b.colour, 4);
    compareArray(out, "normal", a.normal, b.normal, 3);
    compareArray(out, "model-view", a.modelView, b.modelView, 16);
    compareArray(out, "projection", a.projection, b.projection, 16);
    return out.str();
}

void applyShowView(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / height, static_cast<double>(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

uint32_t addSolidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    const uint8_t texel[4] = {r, g, b, a};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    textureManager.textureNames.push_back(name);
    return static_cast<uint32_t>(textureManager.textureNames.size() - 1);
}

bool writePng(const std::string& path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba) {
    if (width <= 0 || height <= 0 || rgba.size() < static_cast<size_t>(width) * height * 4) {
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = height - 1; y >= 0; --y) {
        png_write_row(png, rgba.data() + static_cast<size_t>(y) * width * 4);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writeSolidPng(const std::string& path, int32_t width, int32_t height, const uint8_t rgba[4]) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = rgba[0];
        pixels[i + 1] = rgba[1];
        pixels[i + 2] = rgba[2];
        pixels[i + 3] = rgba[3];
    }
    return writePng(path, width, height, pixels);
}

std::string scratchDirectory(const std::string& name) {
    const std::string path = buildPath("test-scratch/" + name);
    std::filesystem::create_directories(path);
    return path;
}
