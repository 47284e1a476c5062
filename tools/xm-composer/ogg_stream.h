#pragma once
// Writes interleaved float audio as Ogg Vorbis through libsndfile.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ogg {

// Encodes to the file `path` (replaced). quality 0..1 (libsndfile's VBR scale).
bool writeVorbis(const std::string& path, std::span<const float> interleaved, int channels, int rateHz,
                 double quality, std::string& error);

// libsndfile picks a random Ogg stream serial number, so two encodings of the
// same audio differ. This rewrites every page's serial to `serial` and
// recomputes the page checksums, making the file's bytes reproducible.
// False when the bytes are not a sequence of Ogg pages.
bool setStreamSerial(std::vector<uint8_t>& file, uint32_t serial);

}  // namespace ogg
