// The C API: a few calls over richtext::Reader, with statuses instead of exceptions. The text
// leaves either through the caller's sink or in one malloc'd buffer that grows as the text is
// handed over, so no copy of the whole text is ever made at the end.
#include "rtfplain.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "richtext/reader.h"
#include "richtext/text_sink.h"

namespace {

constexpr unsigned kKnownFlags = RTFPLAIN_LF;
// Text collected for the caller is handed over in pieces this large: few copies, little held.
constexpr std::size_t kCollectPiece = richtext::Reader::kHandOverPiece;
// A whole document in memory is fed in pieces of the reader's usual size, so that its text is
// moved out of the reader while still in the cache, and the reader never holds all of it.
constexpr std::size_t kFeedPiece = richtext::Reader::kUsualPiece;
// The room reserved for a document's text from its size: the text is rarely larger than the
// document, and untouched reserved pages cost no memory; capped like the reader's own.
constexpr std::size_t kMaxReservation = 256 * 1024 * 1024;

// A growing malloc'd buffer, given to the caller whole at the end (freed with rtfplain_free).
class Collected {
 public:
  Collected() = default;
  Collected(const Collected&) = delete;
  Collected& operator=(const Collected&) = delete;
  ~Collected() { std::free(data_); }

  bool Reserve(std::size_t bytes) { return bytes <= capacity_ || Grow(bytes); }
  // Room for size more bytes, then written by the caller and committed with Added.
  char* Room(std::size_t size) {
    if ((!data_ || size > capacity_ - size_) && !Grow(size_ + size)) return nullptr;
    return data_ + size_;
  }
  void Added(std::size_t size) { size_ += size; }
  // The buffer, NUL-terminated and trimmed to its text; the caller owns it from here.
  char* Release(std::size_t* length) {
    if (!Reserve(size_ + 1)) return nullptr;
    data_[size_] = '\0';
    if (capacity_ > 2 * (size_ + 1) + 4096) {
      if (char* fitted = static_cast<char*>(std::realloc(data_, size_ + 1))) data_ = fitted;
    }
    if (length) *length = size_;
    char* text = data_;
    data_ = nullptr;
    size_ = capacity_ = 0;
    return text;
  }

 private:
  bool Grow(std::size_t at_least) {
    std::size_t capacity = std::max<std::size_t>(capacity_ + capacity_ / 2, 256);
    capacity = std::max(capacity, at_least);
    char* grown = static_cast<char*>(std::realloc(data_, capacity));
    if (!grown) return false;
    data_ = grown;
    capacity_ = capacity;
    return true;
  }

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Copies text to to, without the CR of each CR LF. The text never holds a CR of its own (a
// control character is never shown), so every CR is the first half of a line end, even where
// a piece ends between the two. Returns the bytes written.
std::size_t CopyWithoutCr(std::string_view text, char* to) {
  char* out = to;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
    const char* stop = cr ? static_cast<const char*>(cr) : end;
    std::memcpy(out, p, static_cast<std::size_t>(stop - p));
    out += stop - p;
    p = cr ? stop + 1 : end;
  }
  return static_cast<std::size_t>(out - to);
}

// Appends text to a buffer, without the CR of each line end when lf. False when out of memory.
bool Append(Collected& buffer, std::string_view text, bool lf) {
  char* room = buffer.Room(text.size());
  if (!room) return false;
  if (lf) {
    buffer.Added(CopyWithoutCr(text, room));
  } else {
    std::memcpy(room, text.data(), text.size());
    buffer.Added(text.size());
  }
  return true;
}

}  // namespace

struct rtfplain_reader final : richtext::TextSink {
  enum class State { kReading, kFinished, kFailed };

  rtfplain_reader(unsigned flags, rtfplain_sink to, void* context)
      : lf(flags & RTFPLAIN_LF), sink(to), user(context) {
    reader.HandTextTo(*this, sink ? 1 : kCollectPiece);
  }

  // The reader's text, on to the caller's sink or into the collected buffer. False stops the
  // hand-over; the reader then keeps the rest, which nobody asks for.
  bool Write(std::string_view text) override {
    if (!sink) {
      if (Append(collected, text, lf)) return true;
      failure = RTFPLAIN_NO_MEMORY;
      return false;
    }
    if (lf) {
      scratch.resize(text.size());
      text = std::string_view(scratch.data(), CopyWithoutCr(text, scratch.data()));
    }
    if (text.empty() || sink(user, text.data(), text.size()) == 0) return true;
    failure = RTFPLAIN_SINK_STOPPED;
    return false;
  }

  // Ends the reading with this status: every later call but free returns it.
  rtfplain_status Fail(rtfplain_status status) {
    state = State::kFailed;
    failure = status;
    return status;
  }

  richtext::Reader reader;
  const bool lf;
  const rtfplain_sink sink;
  void* const user;
  State state = State::kReading;
  rtfplain_status failure = RTFPLAIN_OK;  // set by Write when the hand-over stops
  Collected collected;                    // the text, where there is no sink
  std::string scratch;                    // a piece without its CRs, for the sink
};

namespace {

rtfplain_status Feed(rtfplain_reader& r, const void* bytes, std::size_t size) {
  if (r.state == rtfplain_reader::State::kFailed) return r.failure;
  if (r.state == rtfplain_reader::State::kFinished) return RTFPLAIN_MISUSE;
  if (size == 0) return RTFPLAIN_OK;
  if (!bytes) return RTFPLAIN_MISUSE;
  try {
    r.reader.Feed(bytes, size);
  } catch (const std::exception&) {  // std::bad_alloc, or a string grown past its limit
    return r.Fail(RTFPLAIN_NO_MEMORY);
  }
  if (r.failure != RTFPLAIN_OK) return r.Fail(r.failure);
  if (r.reader.NotRichText()) return r.Fail(RTFPLAIN_NOT_RTF);
  return RTFPLAIN_OK;
}

rtfplain_status Finish(rtfplain_reader& r, char** rest, std::size_t* length) {
  if (rest) *rest = nullptr;
  if (length) *length = 0;
  if (r.state == rtfplain_reader::State::kFailed) return r.failure;
  if (r.state == rtfplain_reader::State::kFinished) return RTFPLAIN_MISUSE;
  r.state = rtfplain_reader::State::kFinished;
  try {
    switch (r.reader.Finish()) {
      case richtext::ReadStatus::kOk:
        break;
      case richtext::ReadStatus::kNotRichText:
        return r.Fail(RTFPLAIN_NOT_RTF);
      case richtext::ReadStatus::kTextLost:
        return r.Fail(RTFPLAIN_TEXT_LOST);
    }
    if (r.failure != RTFPLAIN_OK) return r.Fail(r.failure);
    const std::string text = r.reader.TakeText();
    if (r.sink && !rest) {
      // Everything to the sink: the caller wants no buffer.
      if (!r.Write(text)) return r.Fail(r.failure);
      return RTFPLAIN_OK;
    }
    if (!Append(r.collected, text, r.lf)) return r.Fail(RTFPLAIN_NO_MEMORY);
    char* all = r.collected.Release(length);
    if (!all) return r.Fail(RTFPLAIN_NO_MEMORY);
    if (rest) {
      *rest = all;
    } else {
      std::free(all);  // no sink and no buffer wanted: the status alone
    }
  } catch (const std::exception&) {
    return r.Fail(RTFPLAIN_NO_MEMORY);
  }
  return RTFPLAIN_OK;
}

}  // namespace

extern "C" {

rtfplain_status rtfplain_to_text(const void* rtf, size_t size, unsigned flags, char** text,
                                 size_t* length) {
  if (text) *text = nullptr;
  if (length) *length = 0;
  if (!text || (!rtf && size > 0) || (flags & ~kKnownFlags)) return RTFPLAIN_MISUSE;
  rtfplain_reader* reader = rtfplain_reader_new(flags, nullptr, nullptr);
  if (!reader) return RTFPLAIN_NO_MEMORY;
  rtfplain_status status = RTFPLAIN_OK;
  try {
    reader->reader.ExpectInputSize(size);
    // A failed reservation only means growing as the text comes.
    reader->collected.Reserve(std::min(size, kMaxReservation) + 64);
  } catch (const std::exception&) {
    status = RTFPLAIN_NO_MEMORY;
  }
  const char* bytes = static_cast<const char*>(rtf);
  for (std::size_t at = 0; status == RTFPLAIN_OK && at < size; at += kFeedPiece) {
    status = Feed(*reader, bytes + at, std::min(kFeedPiece, size - at));
  }
  if (status == RTFPLAIN_OK) status = Finish(*reader, text, length);
  rtfplain_reader_free(reader);
  return status;
}

void rtfplain_free(void* text) {
  std::free(text);
}

rtfplain_reader* rtfplain_reader_new(unsigned flags, rtfplain_sink sink, void* user) {
  if (flags & ~kKnownFlags) return nullptr;
  try {
    return new rtfplain_reader(flags, sink, user);
  } catch (const std::exception&) {
    return nullptr;
  }
}

rtfplain_status rtfplain_reader_feed(rtfplain_reader* reader, const void* bytes, size_t size) {
  if (!reader) return RTFPLAIN_MISUSE;
  return Feed(*reader, bytes, size);
}

rtfplain_status rtfplain_reader_finish(rtfplain_reader* reader, char** rest, size_t* length) {
  if (rest) *rest = nullptr;
  if (length) *length = 0;
  if (!reader) return RTFPLAIN_MISUSE;
  return Finish(*reader, rest, length);
}

void rtfplain_reader_free(rtfplain_reader* reader) {
  delete reader;
}

const char* rtfplain_version(void) {
  return RTFPLAIN_VERSION_TEXT;
}

const char* rtfplain_status_text(rtfplain_status status) {
  switch (status) {
    case RTFPLAIN_OK:
      return "converted";
    case RTFPLAIN_NOT_RTF:
      return "not an RTF document: the input does not begin with {\\rtf";
    case RTFPLAIN_TEXT_LOST:
      return "text lost: notes kept in a temporary file could not be read back";
    case RTFPLAIN_NO_MEMORY:
      return "out of memory";
    case RTFPLAIN_SINK_STOPPED:
      return "stopped by the sink";
    case RTFPLAIN_MISUSE:
      return "misuse: a null pointer, an unknown flag, or a reader already finished";
  }
  return "unknown status";
}

}  // extern "C"
