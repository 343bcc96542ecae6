#include "richtext/reader.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "richtext/interpreter.h"
#include "richtext/keywords.h"
#include "richtext/scanner.h"
#include "richtext/text_builder.h"

namespace richtext {
namespace {

static_assert(Scanner<Interpreter>::kNameReadable >= kKeywordReadAhead,
              "control word names are looked up reading past their end");

constexpr std::string_view kSignature = "{\\rtf";
constexpr std::uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// The text is rarely larger than the RTF file, so reserving the file's size means the buffer is
// never copied to grow. Reserved pages that are never written cost no memory where the system
// commits pages on first touch; the cap bounds the address space a huge picture file reserves.
constexpr std::size_t kMaxReservation = 256 * 1024 * 1024;
// The room reserved when text is handed over after each piece: about what a piece of the usual
// size makes.
constexpr std::size_t kHeldWhileHandingOver = 2 * Reader::kUsualPiece;

bool IsLeadingSpace(std::uint8_t byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

// The text after the body's last piece handed over: the body's rest, then the notes. With a
// sink it leaves in pieces of at least min_piece, so that notes kept in a file never come into
// memory whole; what the sink does not take, and the last piece, stay in text.
class TextAfterBody : public TextSink {
 public:
  TextAfterBody(std::string& text, TextSink* sink, std::size_t min_piece)
      : text_(text), sink_(sink), min_piece_(min_piece) {}
  bool Write(std::string_view piece) override {
    text_.append(piece);
    if (sink_ && text_.size() >= min_piece_) {
      if (sink_->Write(text_)) {
        text_.clear();
      } else {
        sink_ = nullptr;  // its owner reports the failure; the rest stays here
      }
    }
    return true;
  }

 private:
  std::string& text_;
  TextSink* sink_;
  std::size_t min_piece_;
};

}  // namespace

struct Reader::Impl {
  enum class Header { kPending, kAccepted, kRejected };

  Impl() : interpreter(builder), scanner(interpreter) {}

  // Checks the signature, then hands everything to the scanner.
  void Feed(const std::uint8_t* p, const std::uint8_t* end) {
    while (header == Header::kPending && p < end) {
      const std::uint8_t byte = *p;
      if (seen < 3 && seen == mark_length && byte == kByteOrderMark[seen]) {
        ++mark_length;
      } else if (mark_length == 1 || mark_length == 2) {
        header = Header::kRejected;  // half a byte-order mark
      } else if ((matched == 0 || matched == 1) && IsLeadingSpace(byte)) {
        // white space before the signature, and (TextEdit writes this) between { and \rtf
      } else if (byte == static_cast<std::uint8_t>(kSignature[matched])) {
        if (++matched == kSignature.size()) {
          header = Header::kAccepted;
          const auto* signature = reinterpret_cast<const std::uint8_t*>(kSignature.data());
          scanner.Feed(signature, signature + kSignature.size());
        }
      } else {
        header = Header::kRejected;
      }
      ++seen;
      ++p;
    }
    if (header == Header::kAccepted && p < end) scanner.Feed(p, end);
  }

  TextBuilder builder;
  // Room for the text of the expected input, up to limit.
  void ReserveRoom(std::size_t limit) { builder.Reserve(std::min(expected_input, limit) + 64); }

  TextSink* sink = nullptr;
  std::size_t min_piece = 0;
  std::size_t expected_input = 0;
  Interpreter interpreter;
  Scanner<Interpreter> scanner;
  Header header = Header::kPending;
  std::size_t seen = 0;
  std::size_t mark_length = 0;
  std::size_t matched = 0;
  std::string text;
};

Reader::Reader() : impl_(std::make_unique<Impl>()) {}
Reader::~Reader() = default;

void Reader::HandTextTo(TextSink& sink, std::size_t min_piece) {
  impl_->sink = &sink;
  impl_->min_piece = min_piece;
}

void Reader::SpillNotesPast(std::size_t bytes, platform::NativeString folder) {
  impl_->interpreter.notes().SpillPast(bytes, std::move(folder));
}

void Reader::ExpectInputSize(std::size_t bytes) {
  impl_->expected_input = bytes;
  // Handed over as it comes, the text needs room for what one piece of input makes of it.
  impl_->ReserveRoom(impl_->sink ? kHeldWhileHandingOver : kMaxReservation);
}

void Reader::Feed(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  impl_->Feed(p, p + size);
  impl_->interpreter.PieceRead();
  if (impl_->sink && !impl_->builder.HandOver(*impl_->sink, impl_->min_piece)) {
    // The sink refused or failed: the rest stays here (its owner reports a failure), in room
    // for all of it, as growing step by step would copy it and touch fresh memory each time.
    impl_->sink = nullptr;
    impl_->ReserveRoom(kMaxReservation);
  }
}

bool Reader::NotRichText() const {
  return impl_->header == Impl::Header::kRejected;
}

ReadStatus Reader::Finish() {
  if (impl_->header != Impl::Header::kAccepted) return ReadStatus::kNotRichText;
  impl_->scanner.Finish();
  impl_->interpreter.Finish();
  Notes& notes = impl_->interpreter.notes();
  notes.Finish();
  impl_->text = impl_->builder.Finish();
  // Small notes join the text as they always have; large ones go on to the sink.
  TextSink* sink = notes.size() >= impl_->min_piece ? impl_->sink : nullptr;
  TextAfterBody rest(impl_->text, sink, impl_->min_piece);
  if (!notes.WriteTo(rest, !impl_->text.empty())) return ReadStatus::kTextLost;
  return ReadStatus::kOk;
}

std::string Reader::TakeText() {
  return std::move(impl_->text);
}

ReadStatus ConvertBytes(std::string_view rtf, std::string& text) {
  Reader reader;
  reader.ExpectInputSize(rtf.size());
  reader.Feed(rtf.data(), rtf.size());
  ReadStatus status = reader.Finish();
  if (status == ReadStatus::kOk) text = reader.TakeText();
  return status;
}

}  // namespace richtext
