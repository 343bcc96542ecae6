#include "host/frm_tool.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "host/failure.h"
#include "platform/files.h"
#include "richtext/reader.h"

namespace host {

void RichTextControl::LoadFile(const platform::NativeString& path, richtext::TextSink* sink) {
  // A failed load must leave no document behind that the caller could write out.
  loaded_ = false;
  text_.clear();
  platform::InputFile file;
  RaiseFor(file.Open(path));
  richtext::Reader reader;
  if (sink) reader.HandTextTo(*sink);
  const std::uint64_t size = file.Size();
  reader.ExpectInputSize(static_cast<std::size_t>(
      std::min<std::uint64_t>(size, static_cast<std::uint64_t>(SIZE_MAX))));
  // No bigger than the file needs (a small document then costs no mapping of a big buffer), and
  // left uninitialised: zeroing it would touch every page. A file that grows while it is read
  // is still read to its end, in more pieces.
  const std::size_t piece_size = static_cast<std::size_t>(
      std::min<std::uint64_t>(size + 1, static_cast<std::uint64_t>(richtext::Reader::kUsualPiece)));
  const std::unique_ptr<char[]> piece(new char[piece_size]);
  for (;;) {
    const std::ptrdiff_t got = file.Read(piece.get(), piece_size);
    if (got < 0) Raise(FailureCode::kDeviceIo);
    if (got == 0) break;
    reader.Feed(piece.get(), static_cast<std::size_t>(got));
    // Refused by its first bytes: the rest of a huge file of something else is not read.
    if (reader.NotRichText()) break;
  }
  switch (reader.Finish()) {
    case richtext::ReadStatus::kOk:
      break;
    case richtext::ReadStatus::kNotRichText:
      Raise(FailureCode::kInvalidFormat);
    case richtext::ReadStatus::kTextLost:
      Raise(FailureCode::kDeviceIo);
  }
  text_ = reader.TakeText();
  loaded_ = true;
}

const std::string& RichTextControl::Text() const {
  if (!loaded_) Raise(FailureCode::kNoDocument);
  return text_;
}

void frmTool::Create() {
  rtfTool = std::make_unique<RichTextControl>();
}

RichTextControl& frmTool::Control() const {
  if (!rtfTool) Raise(FailureCode::kHostNotCreated);
  return *rtfTool;
}

void frmTool::LoadFile(const platform::NativeString& path, richtext::TextSink* sink) {
  Control().LoadFile(path, sink);
}

const std::string& frmTool::GetText() const {
  return Control().Text();
}

void frmTool::Destroy() {
  rtfTool.reset();
}

}  // namespace host
