#pragma once
// Reads a LightWave LWO2 object into a new LwObject.
#include "loader/byte_reader.h"
#include "loader/lw_object.h"

class LwobLoader {
public:
    LwobLoader() = default;
    virtual ~LwobLoader() = default;

    // Open, parse, close; null after telling the user why (message box).
    LwObject* load(const char* path);
    bool openFile(const char* path);
    bool parse();
    bool closeFile();

    LwObject* object = nullptr;  // the object the last parse created
    ByteReader reader;
};

extern LwobLoader lwobLoader;
