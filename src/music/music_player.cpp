#include "music/music_player.h"

// STUB: replaced by the music work.
void MusicPlayer::startModule() { playing = true; }
void MusicPlayer::startStream() { playing = true; }
void MusicPlayer::stopModule() {}
void MusicPlayer::stopStream() {}
int MusicPlayer::getRow() { return -1; }
int MusicPlayer::getOrder() { return 0; }
signed char onStreamSync(sound::Stream*, void*, int32_t, void*) { return 1; }
