// Where finished text goes while a document is still being read: a large document's text then
// never has to be held whole in memory, and it leaves the process from a buffer that is still in
// the cache.
#pragma once

#include <string_view>

namespace richtext {

class TextSink {
 public:
  virtual ~TextSink() = default;
  // Takes the next piece of the text. False when it cannot (a full disk): the reader then keeps
  // the rest of the text itself, and the sink's owner reports the failure.
  virtual bool Write(std::string_view text) = 0;
};

}  // namespace richtext
