// What a whole run promises from the outside, shared by the POSIX and Windows run tests: the
// exit statuses, and a small document with the exact bytes of its output file. Stated here, not
// taken from the program, so that a change to either side shows.
#pragma once

#include <string>

namespace testing_support {

inline constexpr int kConverted = 0;
inline constexpr int kFailed = 1;
inline constexpr int kNotOneArgument = 2;

inline const std::string kDocument = "{\\rtf1\\ansi caf\\'e9\\par second line\\par}";
inline const std::string kDocumentText = "caf\xC3\xA9\r\nsecond line\r\n";

}  // namespace testing_support
