#include "loader/lwob_loader.h"

// STUB: replaced by the loader work. Hands out an empty object so that the
// shell runs before the real loader lands.
LwObject* LwobLoader::load(const char*) { return new LwObject; }
bool LwobLoader::openFile(const char*) { return false; }
bool LwobLoader::parse() { return false; }
bool LwobLoader::closeFile() { return true; }
