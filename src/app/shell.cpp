#include "app/shell.h"

// STUB: replaced by the shell work.
bool windowActive = true;
bool keys[256] = {};
LwObject* heartObject = nullptr;

bool loadObjects() { return true; }
bool loadImages() { return true; }
int runShow() { return 0; }
