#include "app/program_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace velvane {
namespace {

struct Parsed {
    bool ok = false;
    ProgramOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> args) {
    std::vector<const char*> argv{"velvane"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    Parsed parsed;
    // Stale values must not survive a parse.
    parsed.options.dpi = 1;
    parsed.options.command_line = u"stale";
    parsed.ok = parse_program_options(static_cast<int>(argv.size()), argv.data(), parsed.options,
                                      parsed.error);
    return parsed;
}

TEST(ProgramOptionsTest, NothingGivenMeansTheHandheldScreenAndAnEmptyCommandLine) {
    const Parsed parsed = parse({});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const ProgramOptions& o = parsed.options;
    EXPECT_FALSE(o.help);
    EXPECT_FALSE(o.headless);
    EXPECT_TRUE(o.script.empty());
    EXPECT_EQ(o.step_ms, 20);
    EXPECT_EQ(o.width, 480);
    EXPECT_EQ(o.height, 800);
    EXPECT_EQ(o.dpi, 192);
    EXPECT_EQ(o.orientation, 0);
    EXPECT_EQ(o.command_line, u"");
}

TEST(ProgramOptionsTest, EveryOptionIsTakenOutAndTheRestIsTheCommandLine) {
    const Parsed parsed = parse({"recents", "--headless", "--script", "run/s.txt", "--step",
                                 "40", "--size", "320x240", "--dpi=96", "--orientation", "3",
                                 "extra"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const ProgramOptions& o = parsed.options;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.script, (std::filesystem::current_path() / "run/s.txt").string());
    EXPECT_EQ(o.step_ms, 40);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_EQ(o.dpi, 96);
    EXPECT_EQ(o.orientation, 3);
    EXPECT_EQ(o.command_line, u"recents extra");

    EXPECT_TRUE(parse({"-h"}).options.help);
    EXPECT_TRUE(parse({"--help"}).options.help);
}

TEST(ProgramOptionsTest, RangeEndsAreAcceptedExactly) {
    Parsed low = parse({"--size", "64x64", "--dpi", "48", "--step", "1", "--orientation", "0"});
    ASSERT_TRUE(low.ok) << low.error;
    EXPECT_EQ(low.options.width, 64);
    EXPECT_EQ(low.options.dpi, 48);
    EXPECT_EQ(low.options.step_ms, 1);
    Parsed high =
        parse({"--size", "8192x8192", "--dpi", "960", "--step", "1000", "--orientation", "3"});
    ASSERT_TRUE(high.ok) << high.error;
    EXPECT_EQ(high.options.height, 8192);
    EXPECT_EQ(high.options.dpi, 960);
    EXPECT_EQ(high.options.step_ms, 1000);
}

TEST(ProgramOptionsTest, BadValuesFailWithTheOptionNamed) {
    const std::string dpi = "--dpi needs a number from 48 to 960";
    const std::string size = "--size needs WIDTHxHEIGHT, each from 64 to 8192";
    const std::string step = "--step needs milliseconds from 1 to 1000";
    const std::string orientation = "--orientation needs a number from 0 to 3";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--dpi", "47"}, dpi},
        {{"--dpi", "961"}, dpi},
        {{"--dpi"}, dpi},
        {{"--dpi", "+100"}, dpi},
        {{"--dpi", "100dpi"}, dpi},
        {{"--dpi", "99999999999999999999"}, dpi},
        {{"--size", "63x100"}, size},
        {{"--size", "100x8193"}, size},
        {{"--size", "100"}, size},
        {{"--size", "x100"}, size},
        {{"--size", "100x"}, size},
        {{"--size", "100X100"}, size},
        {{"--step", "0"}, step},
        {{"--step", "1001"}, step},
        {{"--orientation", "4"}, orientation},
        {{"--orientation", "-1"}, orientation},
        {{"--script"}, "--script needs a file"},
        {{"--script", "s.txt"}, "--script needs --headless"},
        {{"--headless=yes"}, "--headless takes no value"},
        {{"--fullscreen"}, "unknown option --fullscreen"},
        {{"-x"}, "unknown option -x"},
    };
    for (const auto& [args, expected] : cases) {
        const Parsed parsed = parse(args);
        EXPECT_FALSE(parsed.ok) << args[0];
        EXPECT_TRUE(parsed.error.starts_with(expected))
            << args[0] << ": " << parsed.error << " (expected " << expected << ")";
    }
}

TEST(ProgramOptionsTest, DoubleDashEndsOptionsAndWordsAreJoinedWithSingleBlanks) {
    const Parsed parsed = parse({"--headless", "open:+4930 123", "--", "--dpi", "5", "", "-"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.headless);
    EXPECT_EQ(parsed.options.dpi, 192);
    // Each argument keeps its own blanks; an empty one still gets its separator.
    EXPECT_EQ(parsed.options.command_line, u"open:+4930 123 --dpi 5  -");
}

TEST(ProgramOptionsTest, CommandLineIsDecodedFromUtf8) {
    const Parsed parsed = parse({"open:J\xC3\xBCrgen", "\xF0\x9F\x98\x80"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.command_line, u"open:J\u00FCrgen \U0001F600");
}

TEST(ProgramOptionsTest, DesktopLinksAndFilesBecomeCommandWords) {
    const std::string here = std::filesystem::current_path().string();
    const struct {
        const char* given;
        std::string word;
    } cases[] = {
        {"tel:+49-30-1234567", "open:+49301234567"},
        {"TEL:+1%20(555)%20010.99", "open:+155501099"},
        {"tel:0301234;ext=55?x=1", "open:0301234"},
        {"callto://+4930123", "open:+4930123"},
        {"callto:*100%23", "open:*100#"},
        // Nothing but dialling characters reaches the running copy.
        {"tel:123%0Arecents%3B%20rm", "open:123recentsrm"},
        {"tel:", "open:"},
        {"/home/a/Friends.VCF", "import:/home/a/Friends.VCF"},
        {"file:///home/a/my%20cards.vcf", "import:/home/a/my cards.vcf"},
        {"file://localhost/tmp/x.vcard", "import:/tmp/x.vcard"},
        {"cards.vcf", "import:" + here + "/cards.vcf"},
        // Other hosts' files, other files and the program's own words stay as they are.
        {"file://server/x.vcf", "file://server/x.vcf"},
        {"notes.txt", "notes.txt"},
        {"recents", "recents"},
        {"open:+4930", "open:+4930"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parse({c.given});
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(platform::to_utf8(parsed.options.command_line), c.word) << c.given;
    }
}

TEST(ProgramOptionsTest, UsageNamesEveryOptionAndCommandWord) {
    const std::string usage = program_usage();
    for (const char* word : {"--headless", "--script", "--step", "--size", "--dpi",
                             "--orientation", "--help", "contacts", "favorites", "recents",
                             "open:NUMBER", "tel:NUMBER", "FILE.vcf"}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
}

}  // namespace
}  // namespace velvane
