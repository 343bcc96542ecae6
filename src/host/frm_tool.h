// The hidden rich-text host: a form that is never shown, holding one rich-text control. Here the
// "form" is a plain object and the control is this project's own RTF reader.
#pragma once

#include <memory>
#include <string>

#include "platform/native_string.h"
#include "richtext/text_sink.h"

namespace host {

// The control: loads one document from a path and gives back its text without formatting.
class RichTextControl {
 public:
  // Replaces the document with the file's; raises a Failure, and holds no document, when the
  // file cannot be read or is not Rich Text. With a sink, most of a long text goes to the sink
  // while the file is read (in order, before what Text() gives).
  void LoadFile(const platform::NativeString& path, richtext::TextSink* sink = nullptr);
  // The loaded document's text (UTF-8, CR LF line ends), or the part of it that was not given
  // to the sink; raises when nothing is loaded.
  const std::string& Text() const;

 private:
  std::string text_;
  bool loaded_ = false;
};

class frmTool {
 public:
  // Creates the control; the form is never shown.
  void Create();
  void LoadFile(const platform::NativeString& path, richtext::TextSink* sink = nullptr);
  const std::string& GetText() const;
  // Destroys the control with its document. Safe to call on every path, created or not.
  void Destroy();

 private:
  RichTextControl& Control() const;

  std::unique_ptr<RichTextControl> rtfTool;
};

}  // namespace host
