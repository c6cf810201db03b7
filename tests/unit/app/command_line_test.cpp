#include "app/command_line.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

struct CommandLineCase {
    const char* line;
    std::optional<std::string> language;
};

class CommandLineLanguage : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineLanguage, YieldsLoweredTrimmedRestOfLine) {
    EXPECT_EQ(languageFromCommandLine(GetParam().line), GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineLanguage,
    ::testing::Values(
        CommandLineCase{"", std::nullopt}, CommandLineCase{"   ", std::nullopt},
        CommandLineCase{"--verbose", std::nullopt}, CommandLineCase{"-lSvenska", "svenska"},
        CommandLineCase{"-l English", "english"}, CommandLineCase{"-L English", "english"},
        CommandLineCase{"  -l   Svenska   ", "svenska"},
        CommandLineCase{"-l svenska \t ", "svenska"}, CommandLineCase{"foo-lbar", "bar"},
        CommandLineCase{"-l Brazilian Portuguese -x", "brazilian portuguese -x"},
        CommandLineCase{"x -l a -l b", "a -l b"}, CommandLineCase{"-l", ""},
        CommandLineCase{"-l   ", ""},
        CommandLineCase{"-L SVENSKA \u00d6\u00c4\u00c5", "svenska \u00f6\u00e4\u00e5"},
        CommandLineCase{"-l \u0160\u0152\u017d\u0178 \u00d7\u00df",
                        "\u0161\u0153\u017e\u00ff \u00d7\u00df"},
        CommandLineCase{"-l \u0416 \xC3", "\u0416 \xC3"}));

TEST(CommandLineLanguage, TheLoweredOptionFindsTheCapitalisedLanguage) {
    const std::vector<std::string> names{"English", "Svenska", "svenska", "\u00d6sterreichisch"};
    EXPECT_EQ(languageForOption("svenska", names), "svenska") << "an exact spelling wins";
    EXPECT_EQ(languageForOption("english", names), "English");
    EXPECT_EQ(languageForOption("\u00f6sterreichisch", names), "\u00d6sterreichisch");
    EXPECT_EQ(languageForOption("deutsch", names), std::nullopt);
}

TEST(CommandLineArguments, JoinSkipsProgramNameAndSeparatesWithSpaces) {
    const char* argv[] = {"textowl", "-l", "Svenska"};
    EXPECT_EQ(joinArguments(3, argv), "-l Svenska");
    EXPECT_EQ(joinArguments(1, argv), "");
}

} // namespace
} // namespace textowl
