#pragma once
// The show's pictures, drawn from nothing but code and the DejaVu fonts:
//   bg.png          backdrop behind the heart (opaque)
//   text-1..4.png   full-window lettering over the spinning heart
//   zurak.png       the closing scene's frame, group name and greetings
//   heart-env.png   sphere map that gives the heart its lacquered look
// Full-window pictures are 1024x512 and shown stretched to the 640x480
// window, so everything on them is drawn 1.5 times wider than tall in
// texels; the sphere map is 256x256. The same fonts give the same bytes.
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "typeset.h"

constexpr int32_t fullWindowWidth = 1024;   // texels of a full-window picture
constexpr int32_t fullWindowHeight = 512;
constexpr int32_t sphereMapSize = 256;
constexpr const char* defaultFontDir = "/usr/share/fonts/truetype/dejavu";

// A picture with lettering: the image and its ink, the coverage of
// everything drawn solid (letters, rules, frame, ornaments). The glow around
// the ink reaches at most reachX / reachY texels beyond it.
struct LetteredPicture {
    Rgba8Image image;
    Mask ink{0, 0};
    int32_t reachX = 0;
    int32_t reachY = 0;
};

struct NamedPicture {
    std::string fileName;  // "bg.png", relative to the gfx directory
    std::string title;     // what it shows, for the PNG's Title text
    Rgba8Image image;
};

class ShowImages {
public:
    explicit ShowImages(const std::string& fontDir = defaultFontDir);
    ~ShowImages();

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    Rgba8Image backdrop();
    LetteredPicture textImage(int32_t number);  // 1 to 4
    LetteredPicture groupOverlay();
    Rgba8Image heartEnvironment();

    // All seven, in the order the show loads them (the sphere map last).
    std::vector<NamedPicture> all();

private:
    struct Fonts;
    std::unique_ptr<Fonts> fonts_;
    std::string error_;
};
