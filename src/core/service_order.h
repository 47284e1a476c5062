#pragma once
// The long-lived services are globals defined beside their classes, each in
// its own layer. Across translation units C++ leaves the order of their
// construction open, so it is pinned here: constructed in this order before
// main, destroyed in the reverse order after it.
//   textureManager  initialises DevIL and ILU
//   musicPlayer     not playing, lastRow -1
//   demoSystem      starts the clock, writes the start banner (its
//                   destructor writes the end banner, after the others are gone)
//   lwobLoader      an empty reader
// init_priority takes a literal: 101 and up are free for programs.
#define VEXEL_TEXTURE_MANAGER_ORDER init_priority(1001)
#define VEXEL_MUSIC_PLAYER_ORDER init_priority(1002)
#define VEXEL_DEMO_SYSTEM_ORDER init_priority(1003)
#define VEXEL_LWOB_LOADER_ORDER init_priority(1004)
