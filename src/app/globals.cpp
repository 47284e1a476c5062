// The long-lived services, defined in one translation unit so that they are
// constructed in this order and destroyed in the reverse order.
#include "app/demo_system.h"
#include "loader/lwob_loader.h"
#include "music/music_player.h"
#include "render/texture_manager.h"

TextureManager textureManager;
MusicPlayer musicPlayer;
DemoSystem demoSystem;
LwobLoader lwobLoader;
