// What the loader reaches outside itself, for the fuzzer build, which
// compiles the loader alone: a log that discards, a texture manager that
// loads nothing, and a message box that is never shown (the fuzzer parses in
// memory and never calls load).
#include "app/demo_system.h"
#include "platform/platform.h"
#include "render/texture_manager.h"

DemoSystem::DemoSystem() {}
DemoSystem::~DemoSystem() {}
int DemoSystem::tick() { return 0; }
void DemoSystem::log(const char*, ...) {}
DemoSystem demoSystem;

TextureManager::TextureManager() {}
TextureManager::~TextureManager() {}
void TextureManager::load(const char*) {}
bool TextureManager::bind(uint32_t) { return true; }
TextureManager textureManager;

namespace platform {
BoxAnswer messageBox(const char*, const char*, BoxButtons, BoxIcon) { return BoxAnswer::Ok; }
}  // namespace platform
