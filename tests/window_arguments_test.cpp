// The window program's command line, as both systems read it.
#include "app/window_arguments.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using quorvane::parseWindowArguments;
using quorvane::WindowArguments;
using quorvane::testing::caseName;
using Action = WindowArguments::Action;

struct ArgumentsCase {
  const char* what;
  std::vector<std::string> args;
  Action action;
  std::string path;
  std::string error;
};

class WindowArgumentsTable : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(WindowArgumentsTable, ReadsWhatTheCommandLineAsksFor) {
  const ArgumentsCase& c = GetParam();
  const WindowArguments parsed = parseWindowArguments(c.args);
  EXPECT_EQ(parsed.action, c.action);
  EXPECT_EQ(parsed.path, c.path);
  EXPECT_EQ(parsed.error, c.error);
}

const std::string kSeeHelp = "\nsee quorvane --help\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowArgumentsTable,
    ::testing::Values(
        ArgumentsCase{"nothing", {}, Action::Open, "", ""},
        ArgumentsCase{"a_folder", {"music"}, Action::Open, "music", ""},
        ArgumentsCase{"an_mp3_file", {"music/a.mp3"}, Action::Open, "music/a.mp3", ""},
        ArgumentsCase{"help", {"--help"}, Action::Help, "", ""},
        ArgumentsCase{"h", {"-h"}, Action::Help, "", ""},
        ArgumentsCase{"version", {"--version"}, Action::Version, "", ""},
        ArgumentsCase{"help_after_a_folder", {"music", "--help"}, Action::Help, "", ""},
        ArgumentsCase{"unknown_long_option", {"--bogus"}, Action::UsageError, "",
                      "unknown option: --bogus" + kSeeHelp},
        ArgumentsCase{"unknown_short_option", {"-x", "music"}, Action::UsageError, "",
                      "unknown option: -x" + kSeeHelp},
        ArgumentsCase{"option_after_a_folder", {"music", "--bogus"}, Action::UsageError, "",
                      "unknown option: --bogus" + kSeeHelp},
        ArgumentsCase{"dash_alone_is_a_name", {"-"}, Action::Open, "-", ""},
        ArgumentsCase{"double_dash_then_a_dashed_name", {"--", "--help"}, Action::Open, "--help",
                      ""},
        ArgumentsCase{"double_dash_twice", {"--", "--"}, Action::Open, "--", ""},
        ArgumentsCase{"two_folders", {"one", "two"}, Action::UsageError, "",
                      "one FOLDER at most" + kSeeHelp},
        ArgumentsCase{"two_after_double_dash", {"--", "one", "-two"}, Action::UsageError, "",
                      "one FOLDER at most" + kSeeHelp}),
    caseName<ArgumentsCase>);

TEST(WithTypedBackslash, PutsBackTheBackslashThatEscapedAClosingQuote) {
  EXPECT_EQ(quorvane::withTypedBackslash("D:\""), "D:\\");
  EXPECT_EQ(quorvane::withTypedBackslash("C:\\My Music\""), "C:\\My Music\\");
  EXPECT_EQ(quorvane::withTypedBackslash("C:\\Music"), "C:\\Music");
  EXPECT_EQ(quorvane::withTypedBackslash("D:\\"), "D:\\");
  EXPECT_EQ(quorvane::withTypedBackslash(""), "");
}

}  // namespace
