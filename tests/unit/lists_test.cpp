#include "richtext/lists.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using richtext::FormatListNumber;
using richtext::ListDefinition;
using richtext::ListLevel;
using richtext::Lists;
using richtext::OldNumbering;
using namespace std::string_literals;

TEST(Lists, NumbersAreDrawnAsEachFormatDrawsThem) {
  const struct {
    int format;
    int number;
    std::optional<std::string> text;
  } cases[] = {
      {0, 1, "1"},
      {0, 100, "100"},
      {1, 4, "IV"},
      {1, 3999, "MMMCMXCIX"},
      {1, 4000, "4000"},
      {2, 99, "xcix"},
      {3, 26, "Z"},
      {3, 27, "AA"},
      {4, 1, "a"},
      {4, 53, "aaa"},
      {5, 1, "1st"},
      {5, 2, "2nd"},
      {5, 3, "3rd"},
      {5, 4, "4th"},
      {5, 11, "11th"},
      {5, 12, "12th"},
      {5, 13, "13th"},
      {5, 21, "21st"},
      {5, 112, "112th"},
      {6, 1, "One"},
      {6, 11, "Eleven"},
      {6, 20, "Twenty"},
      {6, 21, "Twenty-One"},
      {6, 100, "One Hundred"},
      {6, 101, "One Hundred One"},
      {6, 3999, "Three Thousand Nine Hundred Ninety-Nine"},
      {7, 1, "First"},
      {7, 4, "Fourth"},
      {7, 9, "Ninth"},
      {7, 12, "Twelfth"},
      {7, 20, "Twentieth"},
      {7, 21, "Twenty-First"},
      {7, 100, "One Hundredth"},
      {7, 102, "One Hundred Second"},
      {9, 1, "*"},
      {9, 6, "\u2020\u2020"},
      {10, 1, "一"},
      {10, 10, "一〇"},
      {11, 10, "十"},
      {11, 11, "十一"},
      {11, 21, "二十一"},
      {11, 111, "百十一"},
      {11, 10001, "一万一"},
      {12, 1, "ｱ"},
      {12, 46, "ﾝ"},
      {12, 47, "47"},
      {20, 2, "イ"},
      {20, 46, "ン"},
      {14, 10, "１０"},
      {19, 27, "２７"},
      {18, 1, "①"},
      {18, 20, "⑳"},
      {18, 21, "21"},
      {28, 11, "⑪"},
      {22, 9, "09"},
      {22, 10, "10"},
      {22, 100, "100"},
      {62, 1, "001"},
      {64, 99, "00099"},
      {24, 1, "가"},
      {24, 14, "하"},
      {24, 15, "15"},
      {25, 4, "ㄹ"},
      {37, 10, "十"},
      {37, 11, "十一"},
      {37, 20, "二十"},
      {37, 100, "一百"},
      {37, 101, "一百零一"},
      {37, 110, "一百一十"},
      {37, 10001, "一万零一"},
      {37, 100000, "十万"},
      {38, 10, "壹拾"},
      {38, 101, "壹佰零壹"},
      {8, 1, std::nullopt},
      {23, 1, std::nullopt},
      {255, 1, std::nullopt},
      {1000, 1, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatListNumber(c.number, c.format), c.text) << c.format << " " << c.number;
  }
}

// A level whose text is `body`: characters below 9 are placeholders, and the length character
// and the positions are worked out as Word writes them.
ListLevel Level(int format, std::u32string body, int follow = 0) {
  ListLevel level;
  level.format = format;
  level.follow = follow;
  level.text.assign(1, static_cast<char32_t>(body.size()));
  level.text += body;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] < 9) level.numbers.push_back(static_cast<char>(i + 1));
  }
  return level;
}

void AddList(Lists& lists, std::int32_t id, const std::vector<ListLevel>& levels) {
  ListDefinition& list = lists.AddList();
  list.id = id;
  for (const ListLevel& level : levels) lists.AddLevel(list) = level;
}

void AddOverride(Lists& lists, std::int32_t ls, std::int32_t list_id,
                 std::optional<int> restart_first_level = std::nullopt) {
  richtext::ListOverride& entry = lists.AddOverride();
  entry.number = ls;
  entry.list_id = list_id;
  if (restart_first_level) lists.AddLevel(entry).start_at = restart_first_level;
}

// 1. / 1.1 / (a), the last followed by a space.
void Outline(Lists& lists) {
  AddList(lists, 10, {Level(0, U"\x00."s), Level(0, U"\x00.\x01"s), Level(4, U"(\x02)"s, 1)});
  AddOverride(lists, 1, 10);
}

TEST(Lists, LabelsFollowTheListTables) {
  struct Paragraph {
    std::int32_t ls, ilvl;
    std::optional<std::string> label;
  };
  const struct {
    const char* name;
    std::function<void(Lists&)> tables;
    std::vector<Paragraph> paragraphs;
  } cases[] = {
      {"higher levels' numbers, deeper levels restarting",
       [](Lists& lists) { Outline(lists); },
       {{1, 0, "1.\t"},
        {1, 1, "1.1\t"},
        {1, 1, "1.2\t"},
        {1, 2, "(a) "},
        {1, 0, "2.\t"},
        {1, 1, "2.1\t"},
        {1, 2, "(a) "}}},
      {"a level used before the level above it",
       [](Lists& lists) { Outline(lists); },
       {{1, 1, "0.1\t"}, {1, 0, "1.\t"}, {1, 1, "1.1\t"}}},
      {"a level that does not restart",
       [](Lists& lists) {
         ListLevel second = Level(0, U"\x00.\x01"s);
         second.no_restart = true;
         AddList(lists, 10, {Level(0, U"\x00."s), second});
         AddOverride(lists, 1, 10);
       },
       {{1, 0, "1.\t"}, {1, 1, "1.1\t"}, {1, 0, "2.\t"}, {1, 1, "2.2\t"}}},
      {"overrides continue their list, or restart it once",
       [](Lists& lists) {
         ListLevel first = Level(0, U"\x00."s);
         first.start_at = 3;
         AddList(lists, 10, {first});
         AddOverride(lists, 1, 10);
         AddOverride(lists, 2, 10);
         AddOverride(lists, 3, 10, 1);
       },
       {{1, 0, "3.\t"},
        {1, 0, "4.\t"},
        {2, 0, "5.\t"},
        {3, 0, "1.\t"},
        {1, 0, "2.\t"},
        {3, 0, "3.\t"}}},
      {"legal numbering, bullets and no number",
       [](Lists& lists) {
         ListLevel legal = Level(0, U"\x00.\x01"s);
         legal.legal = true;
         AddList(lists, 10,
                 {Level(1, U"\x00."s), legal, Level(23, U"\u2022"s, 1), Level(255, U"x\x03"s, 2)});
         AddOverride(lists, 1, 10);
       },
       {{1, 0, "I.\t"}, {1, 1, "1.1\t"}, {1, 2, "\u2022 "}, {1, 3, "x"}}},
      {"nothing where the tables give nothing",
       [](Lists& lists) {
         ListLevel too_short = Level(0, U"\x00."s);
         too_short.text[0] = 5;
         ListLevel out_of_range = Level(0, U"\x00."s);
         out_of_range.numbers.assign(1, 9);
         AddList(lists, 10, {Level(0, U"\x00.\x01"s), too_short, out_of_range, Level(8, U"\x03"s)});
         AddOverride(lists, 1, 10);
         AddOverride(lists, 2, 99);
       },
       {{1, 0, std::nullopt},
        {1, 1, std::nullopt},
        {1, 2, std::nullopt},
        {1, 3, std::nullopt},
        {1, 4, std::nullopt},
        {1, 9, std::nullopt},
        {2, 0, std::nullopt},
        {3, 0, std::nullopt}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Lists lists;
    c.tables(lists);
    for (const Paragraph& paragraph : c.paragraphs) {
      EXPECT_EQ(lists.NextLabel(paragraph.ls, paragraph.ilvl), paragraph.label)
          << "\\ls" << paragraph.ls << "\\ilvl" << paragraph.ilvl;
    }
  }
}

TEST(Lists, OldNumberingCountsConsecutiveParagraphs) {
  using Kind = OldNumbering::Kind;
  const OldNumbering body{Kind::kBody, 1, 0, 1, U"", U"."};
  const OldNumbering roman{Kind::kBody, 1, 2, 3, U"(", U")"};
  const OldNumbering bullet{Kind::kBullet, 1, 0, 1, U"\u2022", U""};
  const OldNumbering chapter{Kind::kOutline, 1, 0, 1, U"", U"."};
  const OldNumbering section{Kind::kOutline, 2, 4, 1, U"", U")"};
  const OldNumbering unknown{Kind::kBody, 1, 8, 1, U"", U""};
  const struct {
    const OldNumbering* pn;  // null: a paragraph without numbering
    std::optional<std::string> label;
  } paragraphs[] = {
      {&body, "1.\t"},     {&body, "2.\t"},    {nullptr, ""},
      {&roman, "(iii)\t"}, {&roman, "(iv)\t"}, {&bullet, "\u2022\t"},
      {&roman, "(iii)\t"}, {&chapter, "1.\t"}, {&section, "a)\t"},
      {&section, "b)\t"},  {&chapter, "2.\t"}, {&section, "a)\t"},
      {nullptr, ""},       {&section, "a)\t"}, {&unknown, std::nullopt},
  };
  Lists lists;
  int index = 0;
  for (const auto& paragraph : paragraphs) {
    SCOPED_TRACE(index++);
    if (paragraph.pn == nullptr) {
      lists.OldNumberingInterrupted();
    } else {
      EXPECT_EQ(lists.NextOldLabel(*paragraph.pn), paragraph.label);
    }
  }
}

}  // namespace
