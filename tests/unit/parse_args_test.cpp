#include "driver/parse_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/failure.h"
#include "unit/native_text.h"

namespace {

using mdlMain::astrArgs;
using mdlMain::intArgCount;
using mdlMain::ParseArgs;
using platform::NativeString;
using testing_support::Native;

std::vector<NativeString> Tokens() {
  return std::vector<NativeString>(astrArgs.begin() + (astrArgs.empty() ? 0 : 1),
                                   astrArgs.begin() + (astrArgs.empty() ? 0 : 1 + intArgCount));
}

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::string> tokens;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << c.name;
}

class SplitTest : public testing::TestWithParam<SplitCase> {
 protected:
  void SetUp() override { mdlMain::ClearArgs(); }
};

TEST_P(SplitTest, GivesTheTokens) {
  const SplitCase& c = GetParam();
  const std::int16_t count = ParseArgs(Native(c.text));
  EXPECT_EQ(count, static_cast<std::int16_t>(c.tokens.size()));
  EXPECT_EQ(Tokens(), Native(c.tokens));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitTest,
    testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"SeparatorsOnly", " \t  \t", {}},
                    SplitCase{"OneCharacter", "a", {"a"}},
                    SplitCase{"LeadingAndTrailingSeparators", "  report.rtf  \t", {"report.rtf"}},
                    SplitCase{"Space", "a b", {"a", "b"}}, SplitCase{"Tab", "a\tb", {"a", "b"}},
                    SplitCase{"RunsOfSeparators", "a \t  b", {"a", "b"}},
                    SplitCase{"LineFeedIsOrdinary", "a\nb", {"a\nb"}},
                    SplitCase{"CarriageReturnIsOrdinary", "a\rb", {"a\rb"}},
                    SplitCase{"NoBreakSpaceIsOrdinary",
                              "a\xc2\xa0"
                              "b",
                              {"a\xc2\xa0"
                               "b"}},
                    SplitCase{"Quoted", "\"my file.rtf\"", {"my file.rtf"}},
                    SplitCase{"QuotedWithTab", "\"a\tb\"", {"a\tb"}},
                    SplitCase{"QuotedNeverClosed", "\"my file.rtf", {"my file.rtf"}},
                    SplitCase{"LoneQuote", "\"", {""}}, SplitCase{"EmptyQuotes", "\"\"", {""}},
                    SplitCase{"QuoteInsideUnquoted", "ab\"cd", {"ab\"cd"}},
                    SplitCase{"CharacterAfterClosingQuoteDropped", "\"a\"b", {"a"}},
                    SplitCase{"DroppedCharacterThenToken", "\"a\"b c", {"a", "c"}},
                    SplitCase{"DoubledQuotesNotAnEscape", "\"a\"\"b\"", {"a", "b\""}},
                    SplitCase{"QuotedAfterUnquoted", "x \"y z\" w", {"x", "y z", "w"}},
                    SplitCase{"SeparatorAfterQuoteIsTheDroppedOne", "\"a\" \"b\"", {"a", "b"}},
                    SplitCase{"Utf8BytesPassThrough",
                              "r\xc3\xa9sum\xc3\xa9.rtf",
                              {"r\xc3\xa9sum\xc3\xa9.rtf"}}),
    [](const testing::TestParamInfo<SplitCase>& param) { return param.param.name; });

TEST(SplitGrowth, CapacityGrowsByFiveKeepingEntries) {
  mdlMain::ClearArgs();
  EXPECT_TRUE(astrArgs.empty()) << "no storage before the first token";
  ParseArgs(Native("a b c d e"));
  EXPECT_EQ(astrArgs.size(), 6u);  // upper bound 5
  ParseArgs(Native("f"));
  EXPECT_EQ(intArgCount, 6);
  EXPECT_EQ(astrArgs.size(), 11u);  // upper bound 10
  EXPECT_EQ(Tokens(), Native({"a", "b", "c", "d", "e", "f"}));
  EXPECT_EQ(astrArgs[7], NativeString());  // entries past the count are empty
}

TEST(SplitOverflow, OnlyWhenPositionsPass32767) {
  struct Case {
    std::string text;
    bool overflows;
  };
  const Case cases[] = {
      {std::string(32765, 'a'), false},         // ends at position 32767
      {std::string(32766, 'a'), true},          // next position would be 32768
      {"\"" + std::string(32763, 'a'), false},  // unclosed quote: reaches length + 3 = 32767
      {"\"" + std::string(32764, 'a'), true},
      {std::string(40000, ' '), true},  // separators alone walk past 32767 too
  };
  for (const Case& c : cases) {
    mdlMain::ClearArgs();
    bool raised = false;
    try {
      ParseArgs(Native(c.text));
    } catch (const host::Failure& failure) {
      raised = true;
      EXPECT_EQ(failure.code(), host::FailureCode::kOverflow);
    }
    EXPECT_EQ(raised, c.overflows) << "length " << c.text.size();
  }
}

TEST(SplitOverflow, TokensBeforeTheOverflowStay) {
  mdlMain::ClearArgs();
  EXPECT_THROW(ParseArgs(Native("first " + std::string(32762, 'x'))), host::Failure);
  ASSERT_GE(intArgCount, 1);
  EXPECT_EQ(astrArgs[1], Native("first"));
}

}  // namespace
