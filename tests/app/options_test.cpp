// The command line: each option, the no-argument default, and refusals.
#include <gmock/gmock.h>

#include <vector>

#include "app/options.h"

using ::testing::HasSubstr;

namespace {

ParsedOptions parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tessaline");
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(OptionsTest, EachOptionSetsItsChoiceAndNoneLeavesTheConfiguration) {
    EXPECT_EQ(parse({}).options.screenMode, ScreenMode::Configured);
    EXPECT_FALSE(parse({}).options.help);
    EXPECT_EQ(parse({"--window"}).options.screenMode, ScreenMode::Windowed);
    EXPECT_EQ(parse({"--scaled"}).options.screenMode, ScreenMode::Scaled);
    EXPECT_EQ(parse({"--window", "--scaled"}).options.screenMode, ScreenMode::Scaled) << "the last one wins";
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_FALSE(parse({}).options.version);
    EXPECT_TRUE(parse({"--version"}).options.version);
    EXPECT_TRUE(parse({}).error.empty());
}

TEST(OptionsTest, AnUnknownOptionIsAnErrorNamingIt) {
    for (const char* bad : {"--windowed", "-w", "window", ""}) {
        const ParsedOptions parsed = parse({"--window", bad});
        EXPECT_THAT(parsed.error, HasSubstr(std::string("'") + bad + "'")) << bad;
    }
}

TEST(OptionsTest, DeveloperModeAndTheAvOffset) {
    EXPECT_FALSE(parse({}).options.dev);
    EXPECT_EQ(parse({}).options.avOffsetMs, 0);
    EXPECT_TRUE(parse({"--dev"}).options.dev);
    EXPECT_EQ(parse({"--av-offset-ms", "-500"}).options.avOffsetMs, -500);
    EXPECT_EQ(parse({"--av-offset-ms", "120", "--dev"}).options.avOffsetMs, 120);
    for (const char* bad : {"501", "-501", "ten", "10ms", "", "99999999999999999999"}) {
        const ParsedOptions parsed = parse({"--av-offset-ms", bad});
        EXPECT_THAT(parsed.error, HasSubstr("--av-offset-ms")) << bad;
    }
    EXPECT_THAT(parse({"--av-offset-ms"}).error, HasSubstr("needs a value"));
}

TEST(OptionsTest, AntiAliasingTakesOneTwoFourOrEightSamples) {
    EXPECT_EQ(parse({}).options.aaSamples, 0) << "not asked: the pixel format as ever";
    for (int32_t samples : {1, 2, 4, 8}) {
        EXPECT_EQ(parse({"--aa", std::to_string(samples).c_str()}).options.aaSamples, samples);
    }
    for (const char* bad : {"0", "3", "16", "-4", "4x", " 4", "04", ""}) {
        const ParsedOptions parsed = parse({"--aa", bad});
        EXPECT_THAT(parsed.error, HasSubstr("--aa")) << bad;
        EXPECT_THAT(parsed.error, HasSubstr(std::string("'") + bad + "'")) << bad;
    }
    EXPECT_THAT(parse({"--aa"}).error, HasSubstr("needs a value"));
}

TEST(OptionsTest, ADisplayIsANumberFromZeroAndTheListIsItsOwnOption) {
    EXPECT_EQ(parse({}).options.display, -1) << "not asked: placed as ever";
    EXPECT_FALSE(parse({}).options.listDisplays);
    EXPECT_EQ(parse({"--display", "0"}).options.display, 0);
    EXPECT_EQ(parse({"--display", "1", "--window"}).options.display, 1);
    EXPECT_TRUE(parse({"--displays"}).options.listDisplays);
    for (const char* bad : {"-1", "one", "1.5", "", "64", "99999999999999999999"}) {
        const ParsedOptions parsed = parse({"--display", bad});
        EXPECT_THAT(parsed.error, HasSubstr(std::string("--display: '") + bad + "'")) << bad;
    }
    EXPECT_THAT(parse({"--display"}).error, HasSubstr("needs a value"));
}

TEST(OptionsTest, VsyncIsAFlagGivenOnceWithoutAValue) {
    EXPECT_FALSE(parse({}).options.vsync) << "not asked: frames as fast as the swap allows";
    EXPECT_TRUE(parse({"--vsync", "--window"}).options.vsync);
    EXPECT_EQ(parse({"--vsync", "--vsync"}).error, "--vsync: given twice");
    EXPECT_EQ(parse({"--vsync=1"}).error, "--vsync takes no value ('--vsync=1')");
    EXPECT_EQ(parse({"--vsync", "1"}).error, "--vsync takes no value ('1')");
    EXPECT_EQ(parse({"--aa=4"}).error, "--aa: the value goes after a space (--aa N)");
    EXPECT_EQ(parse({"--vsync", "-1"}).error, "unknown option '-1'");
}

TEST(OptionsTest, TheDisplayListGivesEachDisplaysNumberBoundsAndWhatIsKnown) {
    const std::vector<platform::DisplayInfo> displays{
        {"HDMI-1", platform::Rect{0, 0, 1920, 1080}, 60},
        {"", platform::Rect{1920, -200, 2560, 280}, 0},
    };
    EXPECT_EQ(displayList(displays), "  0: 1920x1080 at 0,0, 60 Hz, HDMI-1\n  1: 640x480 at 1920,-200\n");
    EXPECT_EQ(displayList({}), "");
}

TEST(OptionsTest, HelpListsEveryOption) {
    const std::string help = optionsHelp("tessaline");
    EXPECT_THAT(help, HasSubstr("usage: tessaline"));
    for (const char* option :
         {"--window", "--scaled", "--dev", "--av-offset-ms", "--aa", "--display N", "--vsync", "--displays", "--help",
          "--version"}) {
        EXPECT_THAT(help, HasSubstr(option));
    }
}

}  // namespace
