// The size rule's allocation and the words of the refusals every decoder
// shares.
#include "image/rgba_picture.h"

namespace {

std::string sizeText(uint64_t width, uint64_t height) {
    return "picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
}

}  // namespace

std::string tooLargeReason(uint64_t width, uint64_t height) { return sizeText(width, height) + ": too large"; }

std::string truncatedReason(uint64_t width, uint64_t height, size_t fileBytes) {
    return sizeText(width, height) + " in " + std::to_string(fileBytes) + " bytes: truncated or corrupt";
}

bool allocatePicture(uint64_t width, uint64_t height, RgbaPicture& picture, std::string& why) {
    if (width == 0 || height == 0 || !sizeAccepted(width, height)) {
        why = width == 0 || height == 0 ? sizeText(width, height) : tooLargeReason(width, height);
        return false;
    }
    picture.width = static_cast<uint32_t>(width);
    picture.height = static_cast<uint32_t>(height);
    picture.rgba.assign(size_t{4} * width * height, 0);
    return true;
}
