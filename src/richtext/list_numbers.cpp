#include "richtext/list_numbers.h"

#include <string_view>

#include "richtext/text_builder.h"

namespace richtext {

void AppendShown(std::string& out, char32_t c) {
  const ShownChar shown = TextBuilder::Encode(c);
  out.append(shown.bytes, shown.size);
}

namespace {

// Beyond this, letters and Roman numerals grow silly (and letters long); as with note marks,
// the count is still shown, in decimal.
constexpr int kLargestLettered = 3999;

std::string Roman(int number, bool upper) {
  static constexpr struct {
    int value;
    const char* digits;
  } kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                 {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                 {5, "v"},    {4, "iv"},   {1, "i"}};
  std::string out;
  for (const auto& digit : kDigits) {
    for (; number >= digit.value; number -= digit.value) out += digit.digits;
  }
  if (upper) {
    for (char& c : out) c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// a..z, then aa..zz, and so on, as Word counts letters.
std::string Letters(int number, bool upper) {
  const auto repeat = static_cast<std::size_t>((number - 1) / 26 + 1);
  return std::string(repeat, static_cast<char>((upper ? 'A' : 'a') + (number - 1) % 26));
}

std::string Ordinal(int number) {
  const int last_two = number % 100;
  const char* suffix = "th";
  if (last_two < 11 || last_two > 13) {
    switch (number % 10) {
      case 1:
        suffix = "st";
        break;
      case 2:
        suffix = "nd";
        break;
      case 3:
        suffix = "rd";
        break;
      default:
        break;
    }
  }
  return std::to_string(number) + suffix;
}

// English number words as Word writes them in lists: every word capitalised, the tens joined to
// the units by a hyphen, no "and" (One Hundred One).
constexpr int kLargestInWords = 999999;

std::string WordsBelow1000(int number) {
  static constexpr std::string_view kUnits[] = {
      "",         "One",     "Two",     "Three",     "Four",     "Five",    "Six",
      "Seven",    "Eight",   "Nine",    "Ten",       "Eleven",   "Twelve",  "Thirteen",
      "Fourteen", "Fifteen", "Sixteen", "Seventeen", "Eighteen", "Nineteen"};
  static constexpr std::string_view kTens[] = {"",      "",      "Twenty",  "Thirty", "Forty",
                                               "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};
  std::string out;
  if (number >= 100) {
    out += kUnits[number / 100];
    out += " Hundred";
    number %= 100;
    if (number != 0) out += ' ';
  }
  if (number >= 20) {
    out += kTens[number / 10];
    if (number % 10 != 0) {
      out += '-';
      out += kUnits[number % 10];
    }
  } else {
    out += kUnits[number];
  }
  return out;
}

std::string Cardinal(int number) {
  std::string out;
  if (number >= 1000) {
    out = WordsBelow1000(number / 1000) + " Thousand";
    if (number % 1000 != 0) out += ' ';
  }
  return out + WordsBelow1000(number % 1000);
}

std::string OrdinalText(int number) {
  std::string out = Cardinal(number);
  const std::size_t last = out.find_last_of(" -") + 1;  // npos + 1 is 0: one word
  static constexpr struct {
    std::string_view cardinal, ordinal;
  } kIrregular[] = {{"One", "First"},    {"Two", "Second"}, {"Three", "Third"},   {"Five", "Fifth"},
                    {"Eight", "Eighth"}, {"Nine", "Ninth"}, {"Twelve", "Twelfth"}};
  const std::string_view word = std::string_view(out).substr(last);
  for (const auto& irregular : kIrregular) {
    if (word == irregular.cardinal) return out.replace(last, word.size(), irregular.ordinal);
  }
  if (out.back() == 'y') return out.replace(out.size() - 1, 1, "ieth");
  return out + "th";
}

std::string Padded(int number, std::size_t digits) {
  std::string out = std::to_string(number);
  if (number >= 0 && out.size() < digits) out.insert(0, digits - out.size(), '0');
  return out;
}

std::string FullWidth(int number) {
  std::string out;
  for (char c : std::to_string(number)) {
    AppendShown(out, c == '-' ? U'\uFF0D' : static_cast<char32_t>(U'\uFF10' + (c - '0')));
  }
  return out;
}

// Numbers drawn from a fixed sequence of signs; past its end, decimal.
std::string FromSequence(int number, std::u32string_view signs) {
  if (number < 1 || static_cast<std::size_t>(number) > signs.size()) return std::to_string(number);
  std::string out;
  AppendShown(out, signs[static_cast<std::size_t>(number) - 1]);
  return out;
}

// Each decimal digit as an ideograph: 10 is 一〇.
std::string IdeographDigits(int number) {
  if (number < 0) return std::to_string(number);
  static constexpr char32_t kDigits[] = U"〇一二三四五六七八九";
  std::string out;
  for (char c : std::to_string(number)) {
    if (c >= '0' && c <= '9') AppendShown(out, kDigits[c - '0']);
  }
  return out;
}

// Counting with ideographs, in groups of four digits (万, 億).
struct CountingSigns {
  std::u32string_view digits;  // 1 to 9
  std::u32string_view units;   // 10, 100, 1000
  std::u32string_view groups;  // 10^4, 10^8
  char32_t zero;               // written once for a gap, or 0 when gaps are not marked
  bool one_before_units;       // 一百 rather than 百 (and 一十 inside a number)
  bool ten_alone_at_start;     // yet ten to nineteen at a number's start are 十, 十一
};

std::string Counting(int number, const CountingSigns& signs) {
  if (number < 1) return std::to_string(number);
  const int groups[] = {number / 100000000, number / 10000 % 10000, number % 10000};
  std::string out;
  bool any = false;  // a digit already written
  bool gap = false;  // a zero between digits, written before the next digit
  for (int g = 0; g < 3; ++g) {
    int group = groups[g];
    if (group == 0) {
      gap = any;
      continue;
    }
    if (any && group < 1000) gap = true;
    for (int position = 3, scale = 1000; position >= 0; --position, scale /= 10) {
      const int digit = group / scale % 10;
      if (digit == 0) {
        if (any) gap = true;
        continue;
      }
      if (gap && signs.zero != 0) AppendShown(out, signs.zero);
      gap = false;
      const bool leading_ten = signs.ten_alone_at_start && !any && position == 1;
      const bool one_dropped =
          digit == 1 && position > 0 && (!signs.one_before_units || leading_ten);
      if (!one_dropped) AppendShown(out, signs.digits[static_cast<std::size_t>(digit) - 1]);
      if (position > 0) AppendShown(out, signs.units[static_cast<std::size_t>(position) - 1]);
      any = true;
    }
    if (g < 2) AppendShown(out, signs.groups[static_cast<std::size_t>(1 - g)]);
    gap = false;  // a group's trailing zeros are not a gap before the next group's thousands
  }
  return out;
}

constexpr CountingSigns kJapaneseCounting = {
    U"一二三四五六七八九", U"十百千", U"万億", 0, false, false};
constexpr CountingSigns kChineseCounting = {
    U"一二三四五六七八九", U"十百千", U"万亿", U'零', true, true};
constexpr CountingSigns kChineseLegal = {
    U"壹贰叁肆伍陆柒捌玖", U"拾佰仟", U"万亿", U'零', true, false};

constexpr std::u32string_view kCircled = U"①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳";
constexpr std::u32string_view kAiueo = U"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ";
constexpr std::u32string_view kAiueoFullWidth =
    U"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン";
constexpr std::u32string_view kGanada = U"가나다라마바사아자차카타파하";
constexpr std::u32string_view kChosung = U"ㄱㄴㄷㄹㅁㅂㅅㅇㅈㅊㅋㅌㅍㅎ";

}  // namespace

std::optional<std::string> FormatListNumber(int number, int format) {
  const bool lettered = number >= 1 && number <= kLargestLettered;
  const bool in_words = number >= 1 && number <= kLargestInWords;
  switch (format) {
    case 0:   // decimal
    case 15:  // half-width decimal
      return std::to_string(number);
    case 1:
    case 2:
      return lettered ? Roman(number, format == 1) : std::to_string(number);
    case 3:
    case 4:
      return lettered ? Letters(number, format == 3) : std::to_string(number);
    case 5:
      return number >= 0 ? Ordinal(number) : std::to_string(number);
    case 6:
      return in_words ? Cardinal(number) : std::to_string(number);
    case 7:
      return in_words ? OrdinalText(number) : std::to_string(number);
    case 9: {  // Chicago: *, †, ‡, §, then each doubled, tripled...
      if (!lettered) return std::to_string(number);
      static constexpr std::string_view kSymbols[] = {"*", "\u2020", "\u2021", "\u00A7"};
      std::string out;
      for (int k = 0; k <= (number - 1) / 4; ++k) out += kSymbols[(number - 1) % 4];
      return out;
    }
    case 10:
      return IdeographDigits(number);
    case 11:
      return Counting(number, kJapaneseCounting);
    case 12:
      return FromSequence(number, kAiueo);
    case 14:
    case 19:
      return FullWidth(number);
    case 18:
    case 28:  // the same circled numbers, from the Chinese set of formats
      return FromSequence(number, kCircled);
    case 20:
      return FromSequence(number, kAiueoFullWidth);
    case 22:
      return Padded(number, 2);
    case 24:
      return FromSequence(number, kGanada);
    case 25:
      return FromSequence(number, kChosung);
    case 37:
      return Counting(number, kChineseCounting);
    case 38:
      return Counting(number, kChineseLegal);
    case 62:
    case 63:
    case 64:
      return Padded(number, static_cast<std::size_t>(format - 59));
    default:
      return std::nullopt;
  }
}

}  // namespace richtext
