// Reads the literate example files of tests/examples (the format is in their README).
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

struct Example {
  std::string file;
  int line = 0;
  std::string title;
  std::string rtf;
  std::string expected;  // with CR LF between lines
  bool refused = false;
};

inline std::string UnescapeExpected(const std::string& text) {
  std::string out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\\' && k + 1 < text.size()) {
      if (text[k + 1] == 't') {
        out += '\t';
        ++k;
        continue;
      }
      if (text[k + 1] == '\\') {
        out += '\\';
        ++k;
        continue;
      }
    }
    out += text[k];
  }
  return out;
}

inline std::vector<Example> ReadExamples(const std::string& path, const std::string& name) {
  std::ifstream in(path, std::ios::binary);
  std::vector<Example> examples;
  Example current;
  bool open = false;
  bool first_expected = true;
  auto close = [&] {
    if (open) examples.push_back(current);
    current = Example();
    open = false;
    first_expected = true;
  };
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      close();
      continue;
    }
    if (!open) {
      open = true;
      current.file = name;
      current.line = number;
    }
    if (line.rfind("# ", 0) == 0 && current.rtf.empty()) {
      current.title = line.substr(2);
    } else if (line.rfind("=>", 0) == 0) {
      std::string text = line.size() > 3 ? line.substr(3) : std::string();
      if (!first_expected) current.expected += "\r\n";
      current.expected += UnescapeExpected(text);
      first_expected = false;
    } else if (line.rfind("!! not rtf", 0) == 0) {
      current.refused = true;
    } else {
      if (!current.rtf.empty()) current.rtf += '\n';
      current.rtf += line;
    }
  }
  close();
  return examples;
}

}  // namespace testing_support
