// The reader fed a document in pieces of one size, as a file read in small chunks would feed it,
// and a sink that collects the text the reader hands over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/reader.h"
#include "richtext/text_sink.h"

namespace testing_support {

// The text, or "<refused>" when the reader does not take the document. Each piece is fed from a
// buffer of its own size, so that a read past a piece's end is an error AddressSanitizer reports,
// not a quiet look at the next piece's bytes.
inline std::string ConvertInPieces(std::string_view rtf, std::size_t piece) {
  richtext::Reader reader;
  for (std::size_t at = 0; at < rtf.size(); at += piece) {
    const std::string_view part = rtf.substr(at, piece);
    const std::vector<char> copy(part.begin(), part.end());
    reader.Feed(copy.data(), copy.size());
  }
  if (reader.Finish() != richtext::ReadStatus::kOk) return "<refused>";
  return reader.TakeText();
}

// Takes the text it is given, until (when limited) it has taken `accepted` pieces.
class CollectingSink : public richtext::TextSink {
 public:
  explicit CollectingSink(int accepted = -1) : accepted_(accepted) {}
  bool Write(std::string_view text) override {
    if (accepted_ == 0) return false;
    if (accepted_ > 0) --accepted_;
    text_ += text;
    return true;
  }
  const std::string& text() const { return text_; }

 private:
  int accepted_;  // -1: no limit
  std::string text_;
};

}  // namespace testing_support
