#include "framework/command_line.h"

#include <gtest/gtest.h>

namespace eracuni {
namespace {

using Args = std::vector<std::string>;

TEST(WindowsCommandLine, ParsesAsTheCRuntimeDoes) {
  // The documented examples of the Microsoft C runtime.
  EXPECT_EQ(ParseWindowsArguments(R"("abc" d e)"), (Args{"abc", "d", "e"}));
  EXPECT_EQ(ParseWindowsArguments(R"(a\\\b d"e f"g h)"), (Args{R"(a\\\b)", "de fg", "h"}));
  EXPECT_EQ(ParseWindowsArguments(R"(a\\\"b c d)"), (Args{R"(a\"b)", "c", "d"}));
  EXPECT_EQ(ParseWindowsArguments(R"(a\\\\"b c" d e)"), (Args{R"(a\\b c)", "d", "e"}));
  EXPECT_EQ(ParseWindowsArguments(R"(a"b"" c d)"), (Args{R"(ab" c d)"}));
  EXPECT_EQ(ParseWindowsArguments(" \t\"\" x "), (Args{"", "x"}));
  // The program name keeps its backslashes and loses its quotes.
  EXPECT_EQ(ParseWindowsCommandLine(R"("C:\Program Files\7za.exe" a\"b)"),
            (Args{R"(C:\Program Files\7za.exe)", R"(a"b)"}));
}

TEST(WindowsCommandLine, QuotingIsTheInverseOfParsing) {
  const Args args = {"plain", "", "with blank", R"(Z:\dir with blank\)", R"(end\\)",
                     R"(say "hi")", R"(\"\\")", "tab\there", "Č:\\Šumnik Žaba đ.xml",
                     "new\nline", "&|<>^%!", "\"", "\\"};
  EXPECT_EQ(QuoteWindowsArgument("plain"), "plain");
  EXPECT_EQ(QuoteWindowsArgument(R"(Z:\a b\)"), R"("Z:\a b\\")");
  EXPECT_EQ(ParseWindowsArguments(WindowsCommandLine("p", args).substr(3)), args);
  Args whole = {R"(C:\Pro gram\x.exe)"};
  whole.insert(whole.end(), args.begin(), args.end());
  EXPECT_EQ(ParseWindowsCommandLine(WindowsCommandLine(whole[0], args)), whole);
}

}  // namespace
}  // namespace eracuni
