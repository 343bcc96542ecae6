// The argument splitter over arbitrary text. Its invariants: the count never exceeds what the
// text can hold, every stored token is a piece of the text (quotes aside) in order, entries past
// the count are empty, and the overflow failure is the only failure it raises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/parse_args.h"
#include "host/failure.h"

namespace {

// Texts past the 16-bit positions are where the overflow lives; a leading 0x01 byte repeats the
// rest of the input up to this length so the fuzzer reaches them with small inputs.
constexpr std::size_t kLongText = 33000;

platform::NativeString TextOf(const std::uint8_t* data, std::size_t size) {
  platform::NativeString cmd(reinterpret_cast<const char*>(data), size);
  if (size >= 2 && data[0] == 0x01) {
    const platform::NativeString unit = cmd.substr(1);
    cmd.clear();
    while (cmd.size() < kLongText) cmd += unit;
  }
  return cmd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const platform::NativeString cmd = TextOf(data, size);
  mdlMain::ClearArgs();
  std::int16_t count = 0;
  try {
    count = mdlMain::ParseArgs(cmd);
  } catch (const host::Failure& failure) {
    if (failure.code() != host::FailureCode::kOverflow) std::abort();
    // Only a text long enough to move a 16-bit position past its end can overflow.
    if (cmd.size() < 32766) std::abort();
    mdlMain::ClearArgs();
    return 0;
  }

  // Each token takes at least one character and the separator after it.
  if (count < 0 || static_cast<std::size_t>(count) > (cmd.size() + 1) / 2) std::abort();
  if (count != mdlMain::intArgCount) std::abort();
  const auto& args = mdlMain::astrArgs;
  if (count == 0 ? !args.empty() : args.size() < static_cast<std::size_t>(count) + 1) {
    std::abort();
  }
  if (!args.empty() && (args.size() - 1) % 5 != 0) std::abort();  // capacity grows by five

  std::size_t from = 0;
  for (std::size_t k = 1; k < args.size(); ++k) {
    const platform::NativeString& token = args[k];
    if (k > static_cast<std::size_t>(count)) {
      if (!token.empty()) std::abort();
      continue;
    }
    if (token.empty()) continue;  // "" quoted, or a lone quote at the end
    // Found at or before its true place, so the search for the next one never starts too late.
    // A token with a separator in it was quoted: it must follow a quote.
    const bool has_separator = token.find_first_of(" \t") != platform::NativeString::npos;
    const std::size_t at = has_separator ? cmd.find('"' + token, from) : cmd.find(token, from);
    if (at == platform::NativeString::npos) std::abort();
    from = at + token.size() + (has_separator ? 1 : 0);
  }
  mdlMain::ClearArgs();
  return 0;
}
