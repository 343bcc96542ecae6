#include "richtext/keywords.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using richtext::Action;

// Looks the name up both ways; the read-ahead lookup gets the name followed by letters that must
// not count, as a name read in place is followed by the rest of the document.
void ExpectAction(std::string_view name, Action want) {
  EXPECT_EQ(richtext::FindKeyword(name).action, want) << name;
  const std::string padded = std::string(name) + "zzzzzzzzzzzzzzzz";
  EXPECT_EQ(richtext::FindKeywordReadingAhead(padded.substr(0, name.size())).action, want)
      << name << " (reading ahead)";
}

TEST(Keywords, NamesAreFoundExactlyAndNothingNearThem) {
  const struct {
    std::string_view name;
    Action action;
  } cases[] = {
      {"u", Action::kUnicode},
      {"par", Action::kParagraph},
      {"pa", Action::kIgnored},
      {"parx", Action::kIgnored},
      {"PAR", Action::kIgnored},
      {"ansicpg", Action::kDocumentCodePage},  // seven letters
      {"nestrow", Action::kNestRow},
      {"aftnstart", Action::kNoteStart},  // longer than the packed prefix
      {"aftnstar", Action::kIgnored},     // the same eight letters, shorter
      {"aftnstarts", Action::kIgnored},
      {"listoverridetable", Action::kDestination},
      {"listoverridetabla", Action::kIgnored},  // differs past the prefix only
      {"aftnsta\xF2", Action::kIgnored},        // not letters: the top bit set as a long name's key
      {"", Action::kIgnored},
      {"abcdefghijklmnopqrstuvwxyzabcdef", Action::kIgnored},
  };
  for (const auto& c : cases) ExpectAction(c.name, c.action);
}

TEST(Keywords, ValuesComeWithTheirNames) {
  EXPECT_EQ(richtext::FindKeyword("ansi").value, 1252);
  EXPECT_EQ(richtext::FindKeyword("zwj").value, 0x200D);
  EXPECT_EQ(richtext::FindKeyword("aftnstart").value, 1);
}

}  // namespace
