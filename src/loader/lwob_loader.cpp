#include "loader/lwob_loader.h"

// STUB: replaced by the loader work.
LwObject* LwobLoader::load(const char*) { return nullptr; }
bool LwobLoader::openFile(const char*) { return false; }
bool LwobLoader::parse() { return false; }
bool LwobLoader::closeFile() { return true; }
