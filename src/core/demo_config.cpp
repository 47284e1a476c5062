#include "core/demo_config.h"

#ifndef VEXEL_MUSIC_ENABLED
#define VEXEL_MUSIC_ENABLED 1
#endif
#ifndef VEXEL_USE_MODULE
#define VEXEL_USE_MODULE 1
#endif
#ifndef VEXEL_FULLSCREEN
#define VEXEL_FULLSCREEN 1
#endif

// Constant-initialised, so it is valid during static initialisation.
constinit DemoConfig demoConfig = {
    .title = "we luv you!",
    .modulePath = "data/tessaline/music/tessaline.xm",
    .streamPath = "data/duskmire/music/music.dat",
    .musicEnabled = VEXEL_MUSIC_ENABLED != 0,
    .useModule = VEXEL_USE_MODULE != 0,
    .fullscreen = VEXEL_FULLSCREEN != 0,
    .width = 640,
    .height = 480,
    .bitsPerPixel = 32,
};
