#include "render/texture_manager.h"

// STUB: replaced by the texture work.
TextureManager::TextureManager() {}
TextureManager::~TextureManager() {}
void TextureManager::load(const char*) {}
bool TextureManager::bind(uint32_t) { return true; }
