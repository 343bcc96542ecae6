// Notes past the memory limit wait in a temporary file: the same text, in the same order, as
// when they stay in memory, and the same again where no such file can be made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "reader_in_pieces.h"
#include "richtext/reader.h"
#include "richtext/spill_store.h"

namespace {
namespace fs = std::filesystem;

// The system's temporary folder, and a folder that does not exist (no file can be made there).
struct Folder {
  const char* what;
  platform::NativeString folder;
  bool usable;
};

std::vector<Folder> Folders() {
  const fs::path missing = fs::temp_directory_path() / "rtfplain-no-such-folder";
  fs::remove_all(missing);
  return {{"temporary folder", {}, true}, {"missing folder", missing.native(), false}};
}

TEST(SpillStore, GivesBackWhatItWasGivenInFileOrMemory) {
  for (const Folder& f : Folders()) {
    richtext::SpillStore store;
    store.SpillPast(8, f.folder);
    std::string given;
    const std::string pieces[] = {"abc", "", "defghij", std::string(100, 'x') + "y", "z"};
    for (const std::string& piece : pieces) {
      store.Append(piece);
      given += piece;
    }
    EXPECT_EQ(store.spilled(), f.usable) << f.what;
    ASSERT_EQ(store.size(), given.size()) << f.what;
    std::string back(given.size(), '\0');
    ASSERT_TRUE(store.Read(0, back.data(), back.size())) << f.what;
    EXPECT_EQ(back, given) << f.what;
    // A part that begins in the file and ends in memory.
    std::string part(4, '\0');
    ASSERT_TRUE(store.Read(given.size() - 3, part.data(), 3)) << f.what;
    EXPECT_EQ(part.substr(0, 3), given.substr(given.size() - 3)) << f.what;
  }
}

// Footnotes and endnotes of every kind the writer tells apart: an automatic mark repeated in the
// note, with spaces after it (a no-break space cut at the end of a piece read back), an endnote
// among footnotes, a note with its own mark, an empty one, and one longer than the pieces its
// text is handed over in, ending in a cell.
std::string NotesDocument() {
  std::string rtf = "{\\rtf1\\ansi one{\\super\\chftn}{\\footnote{\\super\\chftn}  \\~First.}";
  rtf += " two{\\super\\chftn}{\\footnote\\ftnalt{\\super\\chftn} An endnote.}";
  rtf += " three{\\footnote * Its own mark.}";
  rtf += " four{\\super\\chftn}{\\footnote{\\super\\chftn}" + std::string(65535, ' ') +
         "\\~After spaces.}";
  rtf += " five{\\super\\chftn}{\\footnote{\\super\\chftn} Long";
  for (int k = 0; k < 4000; ++k) rtf += " words of a long note\\par";
  rtf += " end\\cell}{\\footnote} six{\\footnote\\ftnalt Last.}\\par}";
  return rtf;
}

std::string NotesDocumentText() {
  std::string text =
      "one1 twoi three four2 five3 six\r\n1 First.\r\n* Its own mark.\r\n2 After spaces.\r\n"
      "3 Long words of a long note";
  for (int k = 1; k < 4000; ++k) text += "\r\nwords of a long note";
  return text + "\r\nend\t\r\n\r\ni An endnote.\r\nLast.";
}

TEST(SpillStore, NotesInATemporaryFileGiveTheTextOfNotesInMemory) {
  const std::pair<std::string, std::string> documents[] = {
      {NotesDocument(), NotesDocumentText()}, {"{\\rtf1{\\footnote}{\\footnote x}}", "x"}};
  for (const auto& [rtf, whole] : documents) {
    std::string in_memory;
    ASSERT_EQ(richtext::ConvertBytes(rtf, in_memory), richtext::ReadStatus::kOk);
    EXPECT_EQ(in_memory, whole);
    for (const Folder& f : Folders()) {
      // Without a sink, with one, and with one that takes a single piece.
      for (const int accepted : {0, -1, 1}) {
        richtext::Reader reader;
        reader.SpillNotesPast(1, f.folder);
        testing_support::CollectingSink sink(accepted);
        if (accepted != 0) reader.HandTextTo(sink);
        for (std::size_t at = 0; at < rtf.size(); at += 4096) {
          const std::string part = rtf.substr(at, 4096);
          reader.Feed(part.data(), part.size());
        }
        ASSERT_EQ(reader.Finish(), richtext::ReadStatus::kOk);
        EXPECT_EQ(sink.text() + reader.TakeText(), whole) << f.what << ", sink " << accepted;
      }
    }
  }
}

}  // namespace
