#include "richtext/spill_store.h"

#include <algorithm>
#include <cstring>

namespace richtext {

void SpillStore::Append(std::string_view bytes) {
  // Bytes that would take memory past the limit go to the file straight from where they are.
  if (!file_failed_ && memory_.size() + bytes.size() >= limit_ && ToFile(memory_)) {
    memory_.clear();
    if (ToFile(bytes)) return;
  }
  memory_.append(bytes);
}

bool SpillStore::ToFile(std::string_view bytes) {
  if (file_failed_) return false;
  if (bytes.empty()) return true;
  if (!file_.IsOpen() && !file_.Create(folder_)) {
    file_failed_ = true;
    return false;
  }
  // A write cut short may have left part of the bytes in the file; only what came before them
  // is read from it, and they stay in memory.
  if (file_.Append(bytes.data(), bytes.size()) != platform::FileError::kNone) {
    file_failed_ = true;
    return false;
  }
  in_file_ += bytes.size();
  return true;
}

bool SpillStore::Read(std::uint64_t offset, char* to, std::size_t size) {
  if (offset < in_file_) {
    const std::size_t from_file =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, in_file_ - offset));
    if (!file_.ReadAt(offset, to, from_file)) return false;
    offset += from_file;
    to += from_file;
    size -= from_file;
  }
  if (size > 0) std::memcpy(to, memory_.data() + (offset - in_file_), size);
  return true;
}

}  // namespace richtext
