#pragma once
// The show's compiled-in configuration: no command line, no file, no
// environment. The build picks the music and screen defaults (CMake options
// VEXEL_MUSIC_ENABLED, VEXEL_USE_MODULE, VEXEL_FULLSCREEN).
#include <cstdint>

struct DemoConfig {
    const char* title;       // window title; prefix of the fps title
    const char* modulePath;  // tracker module, played when useModule
    const char* streamPath;  // streamed file, played when !useModule
    bool musicEnabled;       // start (and stop) music at all
    bool useModule;          // true: module, false: stream
    bool fullscreen;         // written back by openWindow; read by closeWindow
    int32_t width;           // client and display-mode width, pixels; overlay projection width
    int32_t height;          // client and display-mode height, pixels; overlay projection height
    int32_t bitsPerPixel;    // display-mode depth; colour and accumulation bits asked for
};

extern DemoConfig demoConfig;
