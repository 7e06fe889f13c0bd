// The installer reader and the inspect tool, on PE32 and PE32+ images built here, signed-like or
// not: the listing; every cut and every lying field gives one error line and no read outside the
// file (each input lies in a buffer of exactly its size, so the sanitizers see a read past it);
// verify and extract against a game folder; SHA-256 against the standard vectors and sha256sum.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "form_samples.h"
#include "inspect/installer.h"
#include "inspect/sha256.h"
#include "mkform/form_writer.h"
#include "pe_samples.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using pe_samples::Bytes;
using pe_samples::Places;
using samples::Poke;

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  return inspect::Sha256Hex(bytes);
}

// ---------------------------------------------------------------------------------------------
// SHA-256

TEST(Sha256, StandardVectors) {
  const std::string million(1000000, 'a');
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    const Bytes message = Text(c.message);
    EXPECT_EQ(Hex(message), c.digest) << c.message.size() << " bytes";
    // Fed in pieces that straddle the 64-byte blocks: the same digest.
    for (const std::size_t piece : {1, 7, 63, 64, 65}) {
      inspect::Sha256 hash;
      for (std::size_t at = 0; at < message.size(); at += piece) {
        hash.Update(std::span(message).subspan(at, std::min(piece, message.size() - at)));
      }
      std::string hex;
      char two[3];
      for (const std::uint8_t byte : hash.Finish()) {
        std::snprintf(two, sizeof two, "%02x", byte);
        hex += two;
      }
      EXPECT_EQ(hex, c.digest) << c.message.size() << " bytes in pieces of " << piece;
    }
  }
}

TEST(Sha256, AgreesWithSha256sum) {
  if (std::system("command -v sha256sum >/dev/null") != 0) GTEST_SKIP() << "no sha256sum";
  TempDir dir;
  // Every length around the padding's turning points, and longer ones.
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 130; ++n) lengths.push_back(n);
  for (const std::size_t n : {1000, 4095, 4096, 65537, 1000003}) lengths.push_back(n);
  std::string command = "cd '" + dir.Root().string() + "' && sha256sum";
  std::vector<std::string> expected;
  std::uint32_t state = 12345;
  for (const std::size_t n : lengths) {
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    const std::string name = "m" + std::to_string(n);
    dir.WriteFile(name, bytes);
    command += " " + name;
    expected.push_back(Hex(Text(bytes)) + "  " + name);
  }
  command += " > sums.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::istringstream sums(dir.ReadFile("sums.txt"));
  std::string line;
  for (const std::string& want : expected) {
    ASSERT_TRUE(std::getline(sums, line));
    EXPECT_EQ(line, want);
  }
}

// ---------------------------------------------------------------------------------------------
// The reader on small installers

struct Shape {
  const char* name;
  bool pe32_plus;
  bool signed_like;
};

void PrintTo(const Shape& shape, std::ostream* out) {
  *out << shape.name;
}

const Shape kShapes[] = {
    {"PE32", false, false},
    {"PE32_signed", false, true},
    {"PE32plus", true, false},
    {"PE32plus_signed", true, true},
};

Bytes SmallForm() {
  return samples::SmallForm(pe_samples::SmallContainerBmp(pe_samples::SmallEntries()));
}

pe_samples::Built SmallInstaller(const Shape& shape) {
  return pe_samples::Build(
      pe_samples::SmallInstaller(shape.pe32_plus, shape.signed_like, SmallForm()));
}

// What ReadInstaller raises for `file`, or "" when it reads it. It reads a copy of exactly the
// file's size.
std::string ReadFails(const Bytes& file) {
  const Bytes exact(file);
  try {
    inspect::ReadInstaller(exact);
  } catch (const inspect::InspectError& error) {
    const std::string message = error.what();
    return message.empty() ? "(empty message)" : message;
  }
  return "";
}

// File offsets in a small installer.
struct Where {
  explicit Where(const Places& at) : at(at), r(at.resource[pe_samples::kTForm1]) {}
  std::size_t Rsrc(std::size_t relative) const { return at.rsrc + relative; }
  std::size_t Form() const { return Rsrc(r.data); }
  std::size_t Bmp() const { return Form() + samples::kBmp; }
  // Directory record `i` of the pixel block: after the BMP's headers and its 2-colour table.
  std::size_t Record(int i) const { return Bmp() + 14 + 40 + 8 + 8 * static_cast<std::size_t>(i); }
  std::size_t Section(int i) const { return at.section_table + 40 * static_cast<std::size_t>(i); }
  std::size_t Directory(int i) const {
    return at.data_directories + 8 * static_cast<std::size_t>(i);
  }

  const Places& at;
  const Places::Of& r;
};

// Offset of the first `text` in `file`.
std::size_t Find(const Bytes& file, const std::string& text) {
  const auto found = std::search(file.begin(), file.end(), text.begin(), text.end());
  EXPECT_NE(found, file.end()) << text;
  return static_cast<std::size_t>(found - file.begin());
}

struct Lie {
  const char* name;
  std::function<void(Bytes&, const Where&)> make;
  std::string message;  // a part of the error's line
};

const std::uint32_t kHigh = 0x80000000u;

std::vector<Lie> Lies() {
  return {
      // Headers and sections.
      {"no MZ", [](Bytes& f, const Where&) { f[0] = 'Z'; }, "not a PE file: no MZ signature"},
      {"PE header past the end", [](Bytes& f, const Where&) { Poke(f, 0x3C, f.size() - 10, 4); },
       "PE header at offset"},
      {"no PE signature", [](Bytes& f, const Where& w) { f[w.at.pe_header + 1] = 'X'; },
       "not a PE file: no PE signature at offset 64"},
      {"optional header size past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.at.pe_header + 20, 0xFFFF, 2); },
       "optional header at offset 88 (65535 bytes) runs past the end of the file"},
      {"optional header too short",
       [](Bytes& f, const Where& w) { Poke(f, w.at.pe_header + 20, 90, 2); },
       "optional header of 90 bytes is shorter than"},
      {"unknown magic", [](Bytes& f, const Where& w) { Poke(f, w.at.optional_header, 0x107, 2); },
       "unknown optional header magic 0x107"},
      {"two data directories",
       [](Bytes& f, const Where& w) { Poke(f, w.at.data_directories - 4, 2, 4); },
       "no resource directory"},
      {"section count past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.at.pe_header + 6, 0xFFFF, 2); },
       "section table of 65535 sections"},
      {"no sections", [](Bytes& f, const Where& w) { Poke(f, w.at.pe_header + 6, 0, 2); },
       "resource directory (RVA 0x2000) lies in no section's data"},
      {".rsrc data past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.Section(1) + 20, f.size(), 4); },
       "data of section .rsrc at offset"},
      {".rsrc raw size wraps",
       [](Bytes& f, const Where& w) { Poke(f, w.Section(1) + 16, 0xFFFFFFF0u, 4); },
       "data of section .rsrc at offset"},
      {"certificate table past the end",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Directory(4), f.size() - 4, 4);
         Poke(f, w.Directory(4) + 4, 8, 4);
       },
       "certificate table at offset"},
      {"certificate table wraps",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Directory(4), 0xFFFFFFF8u, 4);
         Poke(f, w.Directory(4) + 4, 0x10, 4);
       },
       "certificate table at offset 4294967288"},
      // The resource directory.
      {"no resource directory", [](Bytes& f, const Where& w) { Poke(f, w.Directory(2), 0, 8); },
       "no resource directory"},
      {"resource directory outside the sections",
       [](Bytes& f, const Where& w) { Poke(f, w.Directory(2), 0x9000, 4); },
       "resource directory (RVA 0x9000) lies in no section's data"},
      {"resource directory size past the section",
       [](Bytes& f, const Where& w) { Poke(f, w.Directory(2) + 4, 0x100000, 4); },
       "resource directory (RVA 0x2000, 1048576 bytes) runs past the end of section .rsrc"},
      {".rsrc shorter in memory than the directory",
       [](Bytes& f, const Where& w) { Poke(f, w.Section(1) + 8, 16, 4); },
       "runs past the end of section .rsrc"},
      {"root entry count", [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(14), 0xFFFF, 2); },
       "resource type directory's 65536 entries at offset 16"},
      {"type directory past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.type_entry + 4), kHigh | 0x7FFFFFF0, 4); },
       "RCDATA directory at offset 2147483632 (16 bytes) runs past the end of the resource "
       "directory"},
      {"type entry leads to data",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.type_entry + 4), 0x10, 4); },
       "RCDATA entry of the resource directory is not a directory"},
      {"no RCDATA: TFORM1 under another type",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.type_entry), 11, 4); },
       "no RCDATA resources"},
      {"name string past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.name_entry), kHigh | 0x7FFFFFFF, 4); },
       "resource name at offset 2147483647"},
      {"name length past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.name_string), 0xFFFF, 2); },
       "resource name at offset"},
      {"no TFORM1", [](Bytes& f, const Where& w) { f[w.Rsrc(w.r.name_string) + 2] = 'X'; },
       "no RCDATA TFORM1 resource"},
      {"TFORM1 by number", [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.name_entry), 1, 4); },
       "no RCDATA TFORM1 resource"},
      {"name entry leads to data",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.name_entry + 4), 0x10, 4); },
       "RCDATA TFORM1 entry is not a directory"},
      {"no language",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.name_directory + 14), 0, 2); },
       "RCDATA TFORM1 has no language"},
      {"language entry leads back to its directory",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Rsrc(w.r.language_entry + 4), kHigh | w.r.name_directory, 4);
       },
       "RCDATA TFORM1's language entry is not a data entry"},
      {"data entry past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.language_entry + 4), 0x7FFFFFF8, 4); },
       "RCDATA TFORM1 data entry at offset 2147483640"},
      {"data outside the sections",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.data_entry), 0x50000, 4); },
       "RCDATA TFORM1 data (RVA 0x50000) lies in no section's data"},
      {"data runs past .text",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.data_entry), pe_samples::kTextRva, 4); },
       "runs past the end of section .text"},
      {"data size past the section",
       [](Bytes& f, const Where& w) { Poke(f, w.Rsrc(w.r.data_entry + 4), 0xFFFFFFFFu, 4); },
       "RCDATA TFORM1 data (RVA 0x"},
      // The stored form and its picture.
      {"form one byte short",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Rsrc(w.r.data_entry + 4), SmallForm().size() - 1, 4);
       },
       "RCDATA TFORM1: Stored form: "},
      {"form signature", [](Bytes& f, const Where& w) { f[w.Form()] = 'X'; },
       "RCDATA TFORM1: Stored form: header: signature is not TPF0"},
      {"no Image1", [](Bytes& f, const Where&) { f[Find(f, "Image1") + 5] = '2'; },
       "form Form1 has no Image1"},
      {"no Picture.Data", [](Bytes& f, const Where&) { f[Find(f, "Picture.Data") + 11] = 'e'; },
       "Image1 has no binary Picture.Data"},
      {"graphic class", [](Bytes& f, const Where&) { f[Find(f, "TBitmap") + 6] = 'q'; },
       "Image1's picture: Picture: unknown graphic class 'TBitmaq'"},
      {"BMP length past the end",
       [](Bytes& f, const Where& w) { Poke(f, w.Bmp() - 4, 0x7FFFFFFF, 4); },
       "Image1's picture: Bitmap: BMP length 2147483647 runs past the end"},
      {"empty picture", [](Bytes& f, const Where& w) { Poke(f, w.Bmp() - 4, 0, 4); },
       "Image1's picture is empty"},
      {"4-bit bitmap", [](Bytes& f, const Where& w) { Poke(f, w.Bmp() + 28, 4, 2); },
       "Image1's bitmap is 4-bit; the payload needs an uncompressed 8-bit bottom-up bitmap"},
      {"top-down bitmap",
       [](Bytes& f, const Where& w) { Poke(f, w.Bmp() + 22, static_cast<std::uint32_t>(-6), 4); },
       "Image1's bitmap is 8-bit, top-down;"},
      {"compressed bitmap", [](Bytes& f, const Where& w) { Poke(f, w.Bmp() + 30, 1, 4); },
       "Image1's picture: Bitmap: compression 1 is not supported"},
      {"block smaller than the directory",
       [](Bytes& f, const Where& w) { Poke(f, w.Bmp() + 22, 1, 4); },
       "pixel block of 16 bytes cannot hold the payload directory"},
      // The directory records.
      {"negative Offset",
       [](Bytes& f, const Where& w) { Poke(f, w.Record(0), static_cast<std::uint32_t>(-1), 4); },
       "directory record 0 (Offset -1, Size 20) lies outside the entry area of 64 bytes"},
      {"negative Size",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Record(1) + 4, static_cast<std::uint32_t>(-10), 4);
       },
       "directory record 1 (Offset 20, Size -10) lies outside"},
      {"one byte past the area",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Record(3), 30, 4);
         Poke(f, w.Record(3) + 4, 35, 4);
       },
       "directory record 3 (Offset 30, Size 35) lies outside the entry area of 64 bytes"},
      {"Offset + Size beyond 32 bits",
       [](Bytes& f, const Where& w) {
         Poke(f, w.Record(2), 0x7FFFFFFF, 4);
         Poke(f, w.Record(2) + 4, 0x7FFFFFFF, 4);
       },
       "directory record 2 (Offset 2147483647, Size 2147483647) lies outside"},
  };
}

class SmallInstallers : public ::testing::TestWithParam<Shape> {};

INSTANTIATE_TEST_SUITE_P(Shapes, SmallInstallers, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(SmallInstallers, ReadsTheEntries) {
  const Bytes file = SmallInstaller(GetParam()).file;
  const Bytes exact(file);
  const inspect::InstallerContents contents = inspect::ReadInstaller(exact);
  EXPECT_EQ(contents.pe.pe32_plus, GetParam().pe32_plus);
  EXPECT_EQ(inspect::Describe(contents.pe), GetParam().pe32_plus ? "PE32+ x86-64" : "PE32 i386");
  EXPECT_EQ(contents.resource_bytes, SmallForm().size());
  EXPECT_EQ(contents.form_name, "Form1");
  EXPECT_EQ(contents.form_class, "TForm1");
  EXPECT_EQ(contents.width, 16);
  EXPECT_EQ(contents.height, 6);
  EXPECT_EQ(contents.bit_count, 8);
  EXPECT_EQ(contents.block_bytes, 96u);
  const auto entries = pe_samples::SmallEntries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_TRUE(std::equal(contents.entries[i].begin(), contents.entries[i].end(),
                           entries[i].begin(), entries[i].end()))
        << "entry " << i;
  }
}

TEST_P(SmallInstallers, EveryCutFails) {
  const Bytes file = SmallInstaller(GetParam()).file;
  for (std::size_t length = 0; length < file.size(); ++length) {
    const std::string error = ReadFails(Bytes(file.begin(), file.begin() + length));
    EXPECT_NE(error, "") << "cut at " << length;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST_P(SmallInstallers, LyingFieldsFail) {
  const pe_samples::Built built = SmallInstaller(GetParam());
  const Where where(built.at);
  for (const Lie& lie : Lies()) {
    Bytes file = built.file;
    lie.make(file, where);
    const std::string error = ReadFails(file);
    EXPECT_NE(error.find(lie.message), std::string::npos)
        << lie.name << ": \"" << error << "\" lacks \"" << lie.message << "\"";
    EXPECT_EQ(error.find('\n'), std::string::npos) << lie.name;
  }
}

TEST_P(SmallInstallers, ReadsWhatIsOddButSound) {
  const pe_samples::Built built = SmallInstaller(GetParam());
  const Where w(built.at);
  const struct {
    const char* name;
    std::function<void(Bytes&)> make;
    std::size_t entry3_size;
  } cases[] = {
      {"name in lower case",
       [&](Bytes& f) {
         for (std::size_t k = 0; k < 5; ++k) f[w.Rsrc(w.r.name_string) + 2 + 2 * k] |= 0x20;
       },
       30},
      {"record 3 ends at the end of the entry area",
       [&](Bytes& f) { Poke(f, w.Record(3) + 4, 34, 4); }, 34},
      {"bytes appended after everything", [](Bytes& f) { f.resize(f.size() + 100, 0xEE); }, 30},
      {"a section without data far away",
       [&](Bytes& f) {
         Poke(f, w.Section(0) + 16, 0, 4);
         Poke(f, w.Section(0) + 20, 0xFFFFFFFFu, 4);
       },
       30},
      {".rsrc without a virtual size", [&](Bytes& f) { Poke(f, w.Section(1) + 8, 0, 4); }, 30},
  };
  for (const auto& c : cases) {
    Bytes file = built.file;
    c.make(file);
    const Bytes exact(file);
    try {
      const inspect::InstallerContents contents = inspect::ReadInstaller(exact);
      EXPECT_EQ(contents.entries[3].size(), c.entry3_size) << c.name;
      EXPECT_EQ(contents.entries[0].size(), 20u) << c.name;
    } catch (const inspect::InspectError& error) {
      ADD_FAILURE() << c.name << ": " << error.what();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The tool

struct Outcome {
  int exit_code;
  std::string out;
  std::string err;
};

class InspectTool : public ::testing::Test {
 protected:
  Outcome Inspect(const std::vector<std::string>& args) {
    std::string command = "'" INSPECT_PATH "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >'" + dir_.Path("stdout.txt") + "' 2>'" + dir_.Path("stderr.txt") + "'";
    const int status = std::system(command.c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir_.ReadFile("stdout.txt"),
                    dir_.ReadFile("stderr.txt")};
    fs::remove(dir_.Path("stdout.txt"));
    fs::remove(dir_.Path("stderr.txt"));
    return outcome;
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    return dir_.WriteFile(
        name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }

  // A game folder holding `entries` at their places.
  std::string LayFolder(const std::string& name, const std::array<Bytes, 4>& entries) {
    const char* paths[] = {"Duskhollow.exe", "Data/tutorial", "Data/25", "Game.ini"};
    for (int i = 0; i < 4; ++i) Write(name + "/" + paths[i], entries[static_cast<std::size_t>(i)]);
    return dir_.Path(name);
  }

  // The listing a small installer gives.
  static std::string SmallListing(const std::string& path, bool pe32_plus) {
    const auto e = pe_samples::SmallEntries();
    return path + (pe32_plus ? ": PE32+ x86-64" : ": PE32 i386") + ", RCDATA TFORM1 " +
           std::to_string(SmallForm().size()) + " bytes\n" +
           "form Form1 (TForm1), picture 16 x 6 at 8 bits\n" + "0  Duskhollow.exe        20  " +
           Hex(e[0]) + "\n" + "1  Data\\tutorial         10  " + Hex(e[1]) + "\n" +
           "2  Data\\25                0  " + Hex(e[2]) + "\n" + "3  Game.ini              30  " +
           Hex(e[3]) + "\n";
  }

  TempDir dir_;
};

TEST_F(InspectTool, ListsTheBuiltContainer) {
  // The real container, with the sizes as built; the hashes are sha256sum's of the sample files.
  std::array<Bytes, 4> entries;
  for (int i = 0; i < 4; ++i) entries[i] = formwriter::SampleEntry(i);
  pe_samples::Image image =
      pe_samples::SmallInstaller(false, true, formwriter::BuildFormResource(entries));
  const std::string exe = Write("Oprava 32.exe", pe_samples::Build(image).file);
  const Outcome listed = Inspect({exe});
  EXPECT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_EQ(listed.err, "");
  EXPECT_EQ(listed.out, exe +
                            ": PE32 i386, RCDATA TFORM1 4,001,463 bytes\n"
                            "form Form1 (TForm1), picture 2000 x 2000 at 8 bits\n"
                            "0  Duskhollow.exe   2460672  "
                            "8dea06633e247744be37c1e7ae9741c765971414c743fa09e0a51074dcbddf6d\n"
                            "1  Data\\tutorial     201960  "
                            "3ab75f2af5ef2bac865e71a2839d81d868e55adc378809ec50456217f331a45e\n"
                            "2  Data\\25           807055  "
                            "91d4932b564105d67a69e772074492ac2c39d112fa6f6fbed2d1884ea88833e3\n"
                            "3  Game.ini            2886  "
                            "f3b20938fe50d25488ba79de8710751efdeebab03f16f0fe8b64b1f9849fd3d3\n");

  for (const Shape& shape : kShapes) {
    const std::string small = Write(std::string(shape.name) + ".exe", SmallInstaller(shape).file);
    const Outcome outcome = Inspect({small});
    EXPECT_EQ(outcome.exit_code, 0) << shape.name << ": " << outcome.err;
    EXPECT_EQ(outcome.out, SmallListing(small, shape.pe32_plus)) << shape.name;
  }
}

TEST_F(InspectTool, BadFilesGiveOneLine) {
  const pe_samples::Built built = SmallInstaller(kShapes[0]);
  std::vector<std::pair<std::string, Bytes>> files;
  for (const Lie& lie : Lies()) {
    Bytes file = built.file;
    lie.make(file, Where(built.at));
    files.emplace_back(lie.name, file);
  }
  for (const std::size_t cut : {0, 1, 63, 64, 100, 0x200, 0x400, 0x500}) {
    files.emplace_back("cut at " + std::to_string(cut),
                       Bytes(built.file.begin(), built.file.begin() + cut));
  }
  files.emplace_back("a text file", Text("MZ is how this text begins, and it is no program\n"));
  for (const auto& [name, bytes] : files) {
    const std::string exe = Write("bad.exe", bytes);
    const Outcome outcome = Inspect({exe, "--extract", dir_.Path("out")});
    EXPECT_EQ(outcome.exit_code, 1) << name;
    EXPECT_EQ(outcome.out, "") << name;
    EXPECT_EQ(outcome.err, "inspect: " + exe + ": " + ReadFails(bytes) + "\n") << name;
    EXPECT_FALSE(fs::exists(dir_.Path("out"))) << name;
  }

  const Outcome missing = Inspect({dir_.Path("none.exe")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err,
            "inspect: " + dir_.Path("none.exe") + ": cannot read: No such file or directory\n");
  const Outcome directory = Inspect({dir_.Root().string()});
  EXPECT_EQ(directory.exit_code, 1);
  EXPECT_EQ(directory.err, "inspect: " + dir_.Root().string() + ": cannot read: is a directory\n");
}

TEST_F(InspectTool, ExtractsAndVerifies) {
  const std::string exe = Write("Oprava.exe", SmallInstaller(kShapes[2]).file);
  const std::string listing = SmallListing(exe, true);
  const std::string out = dir_.Path("extracted game/here");

  const Outcome extracted = Inspect({exe, "--extract", out});
  ASSERT_EQ(extracted.exit_code, 0) << extracted.err;
  EXPECT_EQ(extracted.out, listing + "extract: wrote " + out + "/Duskhollow.exe, 20 bytes\n" +
                               "extract: wrote " + out + "/Data/tutorial, 10 bytes\n" +
                               "extract: wrote " + out + "/Data/25, 0 bytes\n" + "extract: wrote " +
                               out + "/Game.ini, 30 bytes\n");
  const auto entries = pe_samples::SmallEntries();
  const char* paths[] = {"Duskhollow.exe", "Data/tutorial", "Data/25", "Game.ini"};
  for (int i = 0; i < 4; ++i) {
    const std::string bytes = dir_.ReadFile(std::string("extracted game/here/") + paths[i]);
    EXPECT_EQ(bytes, std::string(entries[i].begin(), entries[i].end())) << paths[i];
  }

  // Extracting again over the files, then verifying in the same run.
  const Outcome again = Inspect({exe, "--verify", out, "--extract", out});
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(again.out.substr(again.out.rfind("verify")),
            "verify: all four entries match " + out + "\n");
}

TEST_F(InspectTool, VerifyNamesEachDifference) {
  const std::string exe = Write("Oprava.exe", SmallInstaller(kShapes[1]).file);
  const std::string listing = SmallListing(exe, false);
  const auto entries = pe_samples::SmallEntries();
  const std::string game = dir_.Path("game");

  const struct {
    const char* name;
    std::function<void()> change;  // on a folder that matches
    int exit_code;
    std::string lines;
  } cases[] = {
      {"all match, with other files beside them",
       [&] {
         Write("game/Data/26", Text("other"));
         Write("game/Oprava.log", Text("x"));
       },
       0, "verify: all four entries match " + game + "\n"},
      {"missing Data/25", [&] { fs::remove(game + "/Data/25"); }, 1,
       "verify: Data/25: missing in " + game + "\n"},
      {"a folder for Data/25",
       [&] {
         fs::remove(game + "/Data/25");
         fs::create_directory(game + "/Data/25");
       },
       1, "verify: Data/25: not a readable file in " + game + "\n"},
      {"a longer Game.ini", [&] { Write("game/Game.ini", Bytes(entries[3].size() + 1, 'x')); }, 1,
       "verify: Game.ini: size differs: " + game + " has 31 bytes, entry 3 has 30\n"},
      {"Data/tutorial's last byte",
       [&] {
         Bytes tutorial = entries[1];
         tutorial.back() = 'T';
         Write("game/Data/tutorial", tutorial);
       },
       1, "verify: Data/tutorial: content differs from entry 1 at byte 9\n"},
      {"two differences",
       [&] {
         Write("game/Duskhollow.exe", Bytes(20, 0));
         Write("game/Data/25", Text("x"));
       },
       1,
       "verify: Duskhollow.exe: content differs from entry 0 at byte 0\n"
       "verify: Data/25: size differs: " +
           game + " has 1 bytes, entry 2 has 0\n"},
      {"no folder", [&] { fs::remove_all(game); }, 1,
       "verify: payload directory " + game + " does not exist\n"},
      {"a file for the folder",
       [&] {
         fs::remove_all(game);
         Write("game", Text("x"));
       },
       1, "verify: payload directory " + game + " is not a directory\n"},
  };
  for (const auto& c : cases) {
    fs::remove_all(game);
    LayFolder("game", entries);
    c.change();
    const Outcome outcome = Inspect({exe, "--verify", game});
    EXPECT_EQ(outcome.exit_code, c.exit_code) << c.name << ": " << outcome.err;
    EXPECT_EQ(outcome.out, listing + c.lines) << c.name;
    EXPECT_EQ(outcome.err, "") << c.name;
  }
}

TEST_F(InspectTool, WrongCommandLinesShowTheUsage) {
  const std::string exe = Write("Oprava.exe", SmallInstaller(kShapes[0]).file);
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"--verify", "dir"},
      {exe, "--verify"},
      {exe, "--extract"},
      {exe, "--other", "dir"},
      {exe, "dir"},
      {exe, "--verify", "a", "--verify", "b"},
      {exe, "--extract", "a", "--extract", "b"},
  };
  for (const auto& line : lines) {
    const Outcome outcome = Inspect(line);
    EXPECT_EQ(outcome.exit_code, 2) << ::testing::PrintToString(line);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "usage: inspect EXE [--verify DIR] [--extract DIR]\n");
  }
}

}  // namespace
