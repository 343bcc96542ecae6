// Whole runs against failing file systems and hostile documents: the right exit status, nothing
// printed, and no file created, emptied or changed other than the rules allow.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "process/process_harness.h"
#include "process/run_contract.h"

namespace {
namespace fs = std::filesystem;
using testing_support::kConverted;
using testing_support::kDocument;
using testing_support::kFailed;
using testing_support::ReadFile;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchTool;
using testing_support::WriteFile;

// Everything below a folder, without following links: type, permissions, content or target.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  std::error_code error;  // a link loop must not stop the listing
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::directory_entry& entry = *it;
    const fs::file_status status = entry.symlink_status();
    std::string description = std::to_string(static_cast<int>(status.type())) + " " +
                              std::to_string(static_cast<int>(status.permissions())) + " ";
    if (fs::is_symlink(status)) {
      description += fs::read_symlink(entry.path()).string();
    } else if (fs::is_regular_file(status)) {
      // Permission-less files are read by root here; their content must not change either.
      description += ReadFile(entry.path());
    }
    entries[entry.path().lexically_relative(folder).string()] = description;
  }
  return entries;
}

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
}

struct Fault {
  const char* what;
  std::string argument;
  std::function<void(const ScratchTool&)> arrange;
  bool unprivileged = false;  // permission bits do not stop root: run these as nobody
};

TEST(FileSystemFaults, FailQuietlyAndChangeNothing) {
  const std::string long_name(252, 'n');  // 252 + ".txt" passes the 255-byte name limit
  const Fault faults[] = {
      {"input missing", "missing.rtf", [](const ScratchTool&) {}},
      {"input unreadable", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         fs::permissions(t.tool() / "a.rtf", fs::perms::none);
       },
       true},
      {"input a directory", "dir.rtf",
       [](const ScratchTool& t) { fs::create_directory(t.tool() / "dir.rtf"); }},
      {"input a link loop", "loop.rtf",
       [](const ScratchTool& t) {
         fs::create_symlink(t.tool() / "loop2.rtf", t.tool() / "loop.rtf");
         fs::create_symlink(t.tool() / "loop.rtf", t.tool() / "loop2.rtf");
       }},
      {"input a dangling link", "gone.rtf",
       [](const ScratchTool& t) {
         fs::create_symlink(t.tool() / "nowhere", t.tool() / "gone.rtf");
       }},
      {"input a FIFO with no writer", "fifo.rtf",
       [](const ScratchTool& t) { ASSERT_EQ(mkfifo((t.tool() / "fifo.rtf").c_str(), 0644), 0); }},
      {"input a link to an endless device", "zero.rtf",
       [](const ScratchTool& t) { fs::create_symlink("/dev/zero", t.tool() / "zero.rtf"); }},
      {"input a folder on the way is a file", "a.rtf/b.rtf",
       [](const ScratchTool& t) { WriteFile(t.tool() / "a.rtf", kDocument); }},
      {"input empty", "empty.rtf",
       [](const ScratchTool& t) { WriteFile(t.tool() / "empty.rtf", ""); }},
      {"input binary", "bin.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "bin.rtf", std::string("\x7F"
                                                     "ELF\x00\x01\x02\xFF",
                                                     8));
       }},
      {"input text that contains {\\rtf later", "late.rtf",
       [](const ScratchTool& t) { WriteFile(t.tool() / "late.rtf", "Hello {\\rtf1 x}"); }},
      {"output folder missing", "sub/a.rtf",
       [](const ScratchTool& t) {
         fs::create_directory(t.tool() / "sub");
         WriteFile(t.tool() / "sub" / "a.rtf", kDocument);
       }},
      {"output folder read-only", "ro/a.rtf",
       [](const ScratchTool& t) {
         fs::create_directory(t.tool() / "ro");
         WriteFile(t.tool() / "ro" / "a.rtf", kDocument);
         fs::create_directory(t.cwd() / "ro");
         MakeReadOnly(t.cwd() / "ro");
       },
       true},
      {"output read-only", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         WriteFile(t.cwd() / "a.rtf.txt", "kept");
         MakeReadOnly(t.cwd() / "a.rtf.txt");
       },
       true},
      {"output name too long", long_name,
       [long_name](const ScratchTool& t) { WriteFile(t.tool() / long_name, kDocument); }},
      {"argument too long for the splitter's 16-bit positions", std::string(40000, 'a'),
       [](const ScratchTool&) {}},
      {"output a directory", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         fs::create_directory(t.cwd() / "a.rtf.txt");
       }},
      {"output a link to the input", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         fs::create_symlink(t.tool() / "a.rtf", t.cwd() / "a.rtf.txt");
       }},
      {"output a link to /dev/full", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         fs::create_symlink("/dev/full", t.cwd() / "a.rtf.txt");
       }},
      {"output a FIFO with no reader", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         ASSERT_EQ(mkfifo((t.cwd() / "a.rtf.txt").c_str(), 0644), 0);
       }},
      {"output a link into a missing folder", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         fs::create_symlink(t.cwd() / "missing" / "x.txt", t.cwd() / "a.rtf.txt");
       }},
      {"output a link loop", "a.rtf",
       [](const ScratchTool& t) {
         WriteFile(t.tool() / "a.rtf", kDocument);
         fs::create_symlink(t.cwd() / "a.rtf.txt", t.cwd() / "a.rtf.txt");
       }},
  };
  if (!testing_support::RunningAsRoot()) {
    // A plain user meets the permission bits directly; as root the cases drop to nobody.
    std::cout << "not root: permission cases run as this user\n";
  }
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    ScratchTool t;
    fault.arrange(t);
    const auto tool_before = Snapshot(t.tool());
    const auto cwd_before = Snapshot(t.cwd());
    RunOptions options;
    options.unprivileged = fault.unprivileged;
    const RunResult r = t.Run({fault.argument}, options);
    EXPECT_EQ(r.exit_status, kFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Snapshot(t.tool()), tool_before);
    EXPECT_EQ(Snapshot(t.cwd()), cwd_before);
  }
}

// Writes a sparse file: head, zeros up to the size, tail; it takes no room on the disk.
void WriteSparse(const fs::path& path, const std::string& head, std::uintmax_t size,
                 const std::string& tail) {
  WriteFile(path, head);
  fs::resize_file(path, size - tail.size());
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << tail;
}

// The start of a document whose \\bin data runs exactly to where the tail begins.
std::string BinaryPictureHead(std::uintmax_t size, const std::string& tail) {
  const std::string prefix = "{\\rtf1 before{\\pict\\bin";
  std::uintmax_t data = size - prefix.size() - tail.size() - 1;
  while (prefix.size() + std::to_string(data).size() + 1 + data + tail.size() > size) --data;
  return prefix + std::to_string(data) + " ";
}

constexpr long kBoundKib = 64 * 1024;  // peak memory: 64 MiB plus twice the output

RunResult RunMeasured(const ScratchTool& t, const std::string& argument) {
  RunOptions measured;
  measured.measure_memory = true;
  const RunResult r = t.Run({argument}, measured);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_GT(r.peak_rss_kib, 0) << "no measurement from /usr/bin/time";
  return r;
}

// A bound of memory that holds under the sanitizers too: a small document's peak (the program's
// own pages, and a sanitizer's) and 16 MiB.
long SixteenMebibytesAboveASmallDocument() {
  ScratchTool small;
  WriteFile(small.tool() / "small.rtf", kDocument);
  return RunMeasured(small, "small.rtf").peak_rss_kib + 16 * 1024;
}

void ExpectBoundedMemory(const RunResult& r, std::size_t output_size, const char* what) {
  EXPECT_LE(r.peak_rss_kib, kBoundKib + 2 * static_cast<long>(output_size / 1024) + 1);
  std::cout << what << ": " << r.seconds << " s, peak " << r.peak_rss_kib / 1024 << " MiB, output "
            << output_size << " bytes\n";
}

// A 1 GiB document made almost wholly of one picture streams through in bounded memory.
TEST(HostileWholeDocuments, OneGibibytePictureStaysInBoundedMemory) {
  constexpr std::uintmax_t kGibibyte = std::uintmax_t{1} << 30;
  struct Picture {
    const char* what;
    std::string head;
  };
  const Picture pictures[] = {
      {"hex picture data", "{\\rtf1 before{\\pict\\pngblip "},
      {"binary picture data", BinaryPictureHead(kGibibyte, "}after}")},
  };
  for (const Picture& picture : pictures) {
    SCOPED_TRACE(picture.what);
    ScratchTool t;
    WriteSparse(t.tool() / "big.rtf", picture.head, kGibibyte, "}after}");
    const RunResult r = RunMeasured(t, "big.rtf");
    EXPECT_EQ(r.exit_status, kConverted);
    const std::string text = ReadFile(t.cwd() / "big.rtf.txt");
    EXPECT_EQ(text, "beforeafter\r\n");
    ExpectBoundedMemory(r, text.size(), picture.what);
  }
}

// Structures that each cost the reader memory of their own, a million times over.
TEST(HostileWholeDocuments, MillionsOfStructuresStayInBoundedMemory) {
  auto repeat = [](const std::string& unit, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += unit;
    return out;
  };
  struct Document {
    const char* what;
    std::string rtf;
  };
  const Document documents[] = {
      {"a million footnotes", "{\\rtf1 " + repeat("{\\footnote x}", 1000000) + "}"},
      {"a million marked endnotes",
       "{\\rtf1 " + repeat("\\chftn{\\footnote\\ftnalt\\chftn x}", 500000) + "}"},
      {"a million fields",
       "{\\rtf1 " + repeat("{\\field{\\*\\fldinst SYMBOL 65}{\\fldrslt}}", 1000000) + "}"},
      {"a million nested groups", "{\\rtf1 " + repeat("{\\field{\\footnote ", 500000) + "x}"},
      {"two hundred thousand fonts with long names",
       [] {
         std::string rtf = "{\\rtf1{\\fonttbl";
         for (int f = 0; f < 200000; ++f) {
           rtf += "{\\f" + std::to_string(f) + "\\fcharset204 " + std::string(100, 'N') + ";}";
         }
         return rtf + "}\\f5 x}";
       }()},
  };
  for (const Document& document : documents) {
    SCOPED_TRACE(document.what);
    ScratchTool t;
    WriteFile(t.tool() / "many.rtf", document.rtf);
    const RunResult r = RunMeasured(t, "many.rtf");
    EXPECT_EQ(r.exit_status, kConverted);
    const std::string text = ReadFile(t.cwd() / "many.rtf.txt");
    EXPECT_FALSE(text.empty());
    ExpectBoundedMemory(r, text.size(), document.what);
  }
}

// A new output takes its text while the document is read: memory does not grow with the text,
// in the body or in footnotes (which wait in a temporary file until the body has ended).
TEST(HostileWholeDocuments, EightyMebibytesOfTextStayInBoundedMemory) {
  const std::string paragraph =
      "A paragraph of plain words, one accent (caf\\'e9) and no more.\\par\n";
  const std::size_t paragraphs = (80u << 20) / (paragraph.size() - 12);
  std::string forty;
  for (int k = 0; k < 40; ++k) forty += paragraph;
  struct Shape {
    const char* what;
    std::string head, unit;
    std::size_t count;
    const char* tail;
  };
  const Shape shapes[] = {
      {"80 MiB of text", "", paragraph, paragraphs, "}"},
      // Fewer notes than the reader keeps apart.
      {"80 MiB of footnotes", "", "x{\\footnote " + forty + "}", paragraphs / 40, "}"},
      {"80 MiB in one footnote", "x{\\footnote ", paragraph, paragraphs, "}}"},
  };
  for (const Shape& shape : shapes) {
    std::string document = "{\\rtf1\\ansi " + shape.head;
    document.reserve(shape.count * shape.unit.size() + 16);
    for (std::size_t k = 0; k < shape.count; ++k) document += shape.unit;
    document += shape.tail;
    ScratchTool t;
    WriteFile(t.tool() / "long.rtf", document);
    document = std::string();
    const RunResult r = RunMeasured(t, "long.rtf");
    EXPECT_EQ(r.exit_status, kConverted) << shape.what;
    const std::uintmax_t size = fs::file_size(t.cwd() / "long.rtf.txt");
    EXPECT_GT(size, std::uintmax_t{80} << 20) << shape.what;
    EXPECT_LE(r.peak_rss_kib, 48 * 1024) << shape.what << ": the text was held in memory";
    std::cout << shape.what << ": " << r.seconds << " s, peak " << r.peak_rss_kib / 1024
              << " MiB, output " << size << " bytes\n";
  }
}

// Over an earlier output the text streams out as it does for a new one: replaced, or copied
// into an output with other names once complete, within 16 MiB of a small document's peak.
TEST(HostileWholeDocuments, ReconvertingEightyMebibytesStaysInSixteenMebibytes) {
  ScratchTool t;
  const long bound = SixteenMebibytesAboveASmallDocument();
  std::string document = "{\\rtf1\\ansi ";
  while (document.size() < (80u << 20)) document += "Plain words, one accent (caf\\'e9).\\par\n";
  WriteFile(t.tool() / "long.rtf", document + "}");
  document = std::string();
  ASSERT_EQ(t.Run({"long.rtf"}).exit_status, kConverted);
  const std::uintmax_t size = fs::file_size(t.cwd() / "long.rtf.txt");
  for (const bool other_name : {false, true}) {
    if (other_name) fs::create_hard_link(t.cwd() / "long.rtf.txt", t.cwd() / "other");
    const RunResult r = RunMeasured(t, "long.rtf");
    EXPECT_EQ(r.exit_status, kConverted);
    EXPECT_EQ(fs::file_size(t.cwd() / "long.rtf.txt"), size);
    EXPECT_LE(r.peak_rss_kib, bound) << (other_name ? "copied into" : "replaced");
    std::cout << (other_name ? "copied into" : "replaced") << ": " << r.seconds << " s, peak "
              << r.peak_rss_kib / 1024 << " MiB, output " << size << " bytes\n";
  }
}

// What the reader holds until later input decides it (the text after a note mark that may be
// renumbered, a list label), deep nesting, and a huge file that is no RTF: 16 MiB at most above
// a small document (the program's own pages, and a sanitizer's), whatever their size.
TEST(HostileWholeDocuments, HeldTextDeepNestingAndNoRichTextStayInSixteenMebibytes) {
  const long bound = SixteenMebibytesAboveASmallDocument();
  std::string words;
  for (std::size_t k = 0; k < (64u << 20) / 11; ++k) words += "held words ";
  struct Document {
    const char* what;
    std::string rtf;
    std::string ending;  // of the text
  };
  const Document documents[] = {
      {"64 MiB after a note mark, in one paragraph", "{\\rtf1 a\\chftn " + words + "}",
       "words \r\n"},
      {"64 MiB between a note mark and its endnote",
       "{\\rtf1 a\\chftn " + words + "{\\footnote\\ftnalt x}}", "words \r\n1 x\r\n"},
      {"a list text of 64 MiB", "{\\rtf1 {\\listtext " + words + "}x}", "x\r\n"},
      {"an old numbering text of 64 MiB", "{\\rtf1 {\\pntext " + words + "}x}", "x\r\n"},
      {"hidden text in the 70,001st group, never closed",
       "{\\rtf1 a" + std::string(70000, '{') + "{\\v hidden}shown", "ashown\r\n"},
  };
  words = std::string();
  for (const Document& document : documents) {
    SCOPED_TRACE(document.what);
    ScratchTool t;
    WriteFile(t.tool() / "held.rtf", document.rtf);
    const RunResult r = RunMeasured(t, "held.rtf");
    EXPECT_EQ(r.exit_status, kConverted);
    const std::string text = ReadFile(t.cwd() / "held.rtf.txt");
    const std::string& ending = document.ending;
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), ending.size())), ending);
    EXPECT_LE(r.peak_rss_kib, bound);
    std::cout << document.what << ": " << r.seconds << " s, peak " << r.peak_rss_kib / 1024
              << " MiB, output " << text.size() << " bytes\n";
  }
  // Read to its end, this would take hours; it is refused by its first bytes.
  ScratchTool t;
  WriteSparse(t.tool() / "zeros.rtf", "", std::uintmax_t{8} << 40, "");
  const RunResult r = RunMeasured(t, "zeros.rtf");
  EXPECT_EQ(r.exit_status, kFailed);
  EXPECT_FALSE(fs::exists(t.cwd() / "zeros.rtf.txt"));
  EXPECT_LE(r.peak_rss_kib, bound);
  std::cout << "8 TiB of zeros: " << r.seconds << " s, peak " << r.peak_rss_kib / 1024 << " MiB\n";
}

}  // namespace
