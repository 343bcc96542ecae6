#include "driver/parse_args.h"

#include "driver/checked_int16.h"

namespace mdlMain {

std::vector<platform::NativeString> astrArgs;
std::int16_t intArgCount = 0;

namespace {

constexpr platform::NativeChar kSeparators[] = {' ', '\t'};
constexpr platform::NativeChar kQuote = '"';

bool IsSeparator(platform::NativeChar c) {
  return c == kSeparators[0] || c == kSeparators[1];
}

}  // namespace

std::int16_t ParseArgs(platform::NativeString cmd) {
  std::int16_t intArgCapacity = 0;
  if (!astrArgs.empty()) intArgCapacity = static_cast<std::int16_t>(astrArgs.size() - 1);
  // Positions are 1-based; at(k) is cmd[k]. A length past 16 bits is still compared as it is,
  // so only the steps that move a position can overflow, exactly as with a 16-bit position.
  const std::size_t length = cmd.size();
  auto at = [&cmd](std::int16_t k) { return cmd[static_cast<std::size_t>(k) - 1]; };
  auto past_end = [length](std::int16_t k) {
    return k < 1 || static_cast<std::size_t>(k) > length;
  };

  std::int16_t i = 1;
  while (!past_end(i)) {
    while (!past_end(i) && IsSeparator(at(i))) i = CheckedAdd(i, 1);
    if (past_end(i)) break;

    const bool quoted = at(i) == kQuote;
    std::int16_t j = i;
    do {
      j = CheckedAdd(j, 1);
    } while (!past_end(j) && !(quoted ? at(j) == kQuote : IsSeparator(at(j))));
    if (quoted) j = CheckedAdd(j, 1);  // past the closing quote, or one past the end

    intArgCount = CheckedAdd(intArgCount, 1);
    if (intArgCount > intArgCapacity) {
      intArgCapacity = CheckedAdd(intArgCapacity, 5);
      astrArgs.resize(static_cast<std::size_t>(intArgCapacity) + 1);
    }

    // An unclosed quoted token ends past the end of the string; its text stops at the end.
    const std::int16_t start = quoted ? CheckedAdd(i, 1) : i;
    const std::int16_t count =
        quoted ? CheckedSubtract(CheckedSubtract(j, i), 2) : CheckedSubtract(j, i);
    const std::size_t first = static_cast<std::size_t>(start) - 1;
    astrArgs[static_cast<std::size_t>(intArgCount)] =
        first < length ? cmd.substr(first, static_cast<std::size_t>(count))
                       : platform::NativeString();

    i = CheckedAdd(j, 1);
  }
  return intArgCount;
}

void ClearArgs() {
  astrArgs.clear();
  astrArgs.shrink_to_fit();
  intArgCount = 0;
}

}  // namespace mdlMain
