#pragma once
// What the browser build has in place of libsndfile: the few declarations the
// sound layer's streams are written against, with a library that opens no
// file. The page plays the tracker module; a configuration that streams
// instead plays silently in time with the score clock, as it does on the
// desktop when the streamed file cannot be opened.
#include <cstdint>

using sf_count_t = int64_t;
struct SNDFILE;

struct SF_INFO {
    sf_count_t frames = 0;
    int samplerate = 0;
    int channels = 0;
    int format = 0;
    int sections = 0;
    int seekable = 0;
};

struct SF_VIRTUAL_IO {
    sf_count_t (*get_filelen)(void* user);
    sf_count_t (*seek)(sf_count_t offset, int whence, void* user);
    sf_count_t (*read)(void* data, sf_count_t count, void* user);
    sf_count_t (*write)(const void* data, sf_count_t count, void* user);
    sf_count_t (*tell)(void* user);
};

constexpr int SFM_READ = 0x10;
constexpr int SF_TRUE = 1;
constexpr int SFC_SET_CLIPPING = 0x10C0;

inline SNDFILE* sf_open_virtual(SF_VIRTUAL_IO*, int, SF_INFO*, void*) { return nullptr; }
inline const char* sf_strerror(SNDFILE*) { return "streamed files are not played in the browser build"; }
inline int sf_command(SNDFILE*, int, void*, int) { return 0; }
inline int sf_close(SNDFILE*) { return 0; }
inline sf_count_t sf_readf_short(SNDFILE*, short*, sf_count_t) { return 0; }
inline sf_count_t sf_seek(SNDFILE*, sf_count_t, int) { return -1; }
