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
    EXPECT_TRUE(parse({}).error.empty());
}

TEST(OptionsTest, AnUnknownOptionIsAnErrorNamingIt) {
    for (const char* bad : {"--windowed", "-w", "window", ""}) {
        const ParsedOptions parsed = parse({"--window", bad});
        EXPECT_THAT(parsed.error, HasSubstr(std::string("'") + bad + "'")) << bad;
    }
}

TEST(OptionsTest, HelpListsEveryOption) {
    const std::string help = optionsHelp("tessaline");
    EXPECT_THAT(help, HasSubstr("usage: tessaline"));
    for (const char* option : {"--window", "--scaled", "--help"}) {
        EXPECT_THAT(help, HasSubstr(option));
    }
}

}  // namespace
