// Text that must wait for the end of the document (footnotes and endnotes) and may be large:
// bytes added in order and read back by position. Up to a limit they are kept in memory; past
// it they go to an unnamed temporary file, so that memory does not grow with them. Where no such
// file can be made, or a write to it fails, the bytes stay in memory: never lost or reordered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/native_string.h"
#include "richtext/text_sink.h"

namespace richtext {

class SpillStore : public TextSink {
 public:
  // Past this much, the bytes held go to the file: a few pieces of text, a small part of the
  // memory a run may use.
  static constexpr std::size_t kMemoryLimit = 4 * 1024 * 1024;

  // Another limit, and the folder of the file (the system's temporary folder when empty): for
  // tests. Set before the first bytes are added.
  void SpillPast(std::size_t bytes, platform::NativeString folder = {}) {
    limit_ = bytes;
    folder_ = std::move(folder);
  }

  void Append(std::string_view bytes);
  // Takes every piece: what the file cannot, memory does.
  bool Write(std::string_view bytes) override {
    Append(bytes);
    return true;
  }
  std::uint64_t size() const { return in_file_ + memory_.size(); }
  // Copies size bytes from offset on. False when the file cannot be read back.
  bool Read(std::uint64_t offset, char* to, std::size_t size);
  // Some of the bytes are in the file.
  bool spilled() const { return in_file_ > 0; }

 private:
  bool ToFile(std::string_view bytes);

  std::size_t limit_ = kMemoryLimit;
  platform::NativeString folder_;
  platform::TemporaryFile file_;
  bool file_failed_ = false;   // no file could be made, or a write failed: memory from then on
  std::uint64_t in_file_ = 0;  // the first bytes, in the file
  std::string memory_;         // the bytes after them
};

}  // namespace richtext
