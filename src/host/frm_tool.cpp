#include "host/frm_tool.h"

#include "host/failure.h"
#include "richtext/reader.h"

namespace host {
namespace {

FailureCode FailureOf(richtext::FileStatus status) {
  switch (status) {
    case richtext::FileStatus::kNotFound:
      return FailureCode::kFileNotFound;
    case richtext::FileStatus::kAccessDenied:
      return FailureCode::kPermissionDenied;
    case richtext::FileStatus::kNotAFile:
      return FailureCode::kPathFileAccess;
    case richtext::FileStatus::kBadName:
      return FailureCode::kBadFileName;
    case richtext::FileStatus::kReadError:
      return FailureCode::kDeviceIo;
    case richtext::FileStatus::kNotRichText:
      return FailureCode::kInvalidFormat;
    case richtext::FileStatus::kOk:
      break;
  }
  return FailureCode::kDeviceIo;
}

}  // namespace

void RichTextControl::LoadFile(const platform::NativeString& path, richtext::TextSink* sink) {
  // A failed load must leave no document behind that the caller could write out.
  loaded_ = false;
  text_.clear();
  std::string text;
  richtext::FileStatus status = richtext::ConvertFile(path, text, sink);
  if (status != richtext::FileStatus::kOk) Raise(FailureOf(status));
  text_ = std::move(text);
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
