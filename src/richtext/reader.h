// The RTF reader: bytes of a Rich Text Format document in, its plain text out (UTF-8, CR LF).
//
//   richtext::Reader reader;
//   reader.Feed(chunk, size);   // as often as needed, split anywhere
//   if (reader.Finish() == richtext::ReadStatus::kOk) text = reader.TakeText();
//
// The reader takes bytes, never files: whoever has the document reads it and feeds it here.
// Memory stays bounded by the text produced: skipped data (pictures, objects) is never held. With
// a sink, finished text leaves as it is read, and memory stays bounded however long the text;
// footnotes and endnotes, which follow the body, wait in a temporary file once they are large,
// and what waits for later input to decide it (the text after a note mark that may still be
// renumbered, a list label, the states of nested groups) has a bound of its own.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/native_string.h"
#include "richtext/text_sink.h"

namespace richtext {

enum class ReadStatus {
  kOk,
  kNotRichText,  // the input does not begin with {\rtf (after a byte-order mark and spaces)
  kTextLost,     // notes kept in a temporary file could not be read back
};

class Reader {
 public:
  Reader();
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // The size of piece to feed: big enough that reading costs little per byte, small enough to
  // stay in the cache.
  static constexpr std::size_t kUsualPiece = 256 * 1024;
  // Text handed over at once, at least: a sink's write then costs little per byte.
  static constexpr std::size_t kHandOverPiece = 64 * 1024;

  // Hands finished text to the sink after each Feed, in pieces of at least min_piece bytes;
  // TakeText then gives only the rest. Set before the first Feed.
  void HandTextTo(TextSink& sink, std::size_t min_piece = kHandOverPiece);
  // Notes held in memory past this many bytes go to a file in folder, instead of the usual
  // limit and the system's temporary folder: for tests. Set before the first Feed.
  void SpillNotesPast(std::size_t bytes, platform::NativeString folder = {});
  // Sizes the output buffer for an input of this many bytes.
  void ExpectInputSize(std::size_t bytes);
  void Feed(const void* data, std::size_t size);
  // The first bytes have shown that the input is no RTF document: nothing more need be fed.
  bool NotRichText() const;
  // Ends the input; a document cut short keeps the text read so far.
  ReadStatus Finish();
  // The text, once Finish() has returned kOk.
  std::string TakeText();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One-shot conversion of bytes in memory.
ReadStatus ConvertBytes(std::string_view rtf, std::string& text);

}  // namespace richtext
