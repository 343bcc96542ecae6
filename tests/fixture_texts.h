// The documents of tests/fixtures and the text each should give. Their .txt files hold the text
// with LF line ends and a closing line end, which the reader's text leaves out.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fixtures {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The .rtf files of the folder, sorted.
inline std::vector<std::filesystem::path> Documents(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> documents;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".rtf") documents.push_back(entry.path());
  }
  std::sort(documents.begin(), documents.end());
  return documents;
}

// The expected text of document, with LF or CR LF line ends.
inline std::string ExpectedText(const std::filesystem::path& document, bool lf) {
  std::string text = ReadBytes(std::filesystem::path(document).replace_extension(".txt"));
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (lf) return text;
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

}  // namespace fixtures
