// GetPrivateProfileSectionA and GetPrivateProfileStringA on INF files written
// by the test: the reading rules an install depends on, buffer limits,
// encodings, double-byte text and the parse cache.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/profile_parser.h"
#include "support/temp_root.h"

using namespace std::string_literals;

namespace {

constexpr char kPoison = static_cast<char>(0xCC);
constexpr DWORD kGuard = 16;

class ProfileTest : public ::testing::Test {
 protected:
  /// Writes an INF below C:\ and returns its Windows path.
  std::string Inf(const std::string& bytes, const std::string& name = "test.inf") {
    root_.WriteDriveC(name, bytes);
    return "C:\\" + name;
  }

  /// The entries a section read wrote (each with its NUL, without the final
  /// NUL), after checking the final NUL and that nothing went past `size`.
  std::string Section(const std::string& file, const char* section, DWORD size = 1024, DWORD* count = nullptr) {
    std::vector<char> buf(size + kGuard, kPoison);
    DWORD n = GetPrivateProfileSectionA(section, buf.data(), size, file.c_str());
    if (count) *count = n;
    CheckGuard(buf, size);
    if (size >= 2) {
      EXPECT_EQ(buf[n], '\0');
      if (n == 0) {
        EXPECT_EQ(buf[1], '\0');
      }
    }
    return std::string(buf.data(), n);
  }

  /// The text a key read wrote, after checking its NUL and the guard bytes.
  std::string String(const std::string& file, const char* section, const char* key, DWORD size = 260,
                     const char* def = "", DWORD* count = nullptr) {
    std::vector<char> buf(size + kGuard, kPoison);
    DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), size, file.c_str());
    if (count) *count = n;
    CheckGuard(buf, size);
    if (size == 0) return "";
    EXPECT_LT(n, size);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.data(), n);
  }

  static void CheckGuard(const std::vector<char>& buf, DWORD size) {
    for (size_t i = size; i < buf.size(); ++i) {
      ASSERT_EQ(buf[i], kPoison) << "byte " << i << " written past a buffer of " << size;
    }
  }

  kit_test::TempRoot root_;
};

// ---- section reads ---------------------------------------------------------

TEST_F(ProfileTest, SectionReadListsLinesAsWindowsDoes) {
  struct Case {
    const char* what;
    std::string file;
    std::string entries;
  };
  const Case cases[] = {
      {"plain and quoted lines", "[S]\n\"Brevant\"\nplain\n", "\"Brevant\"\0plain\0"s},
      {"blanks around = and the line dropped, inner blanks kept",
       "[S]\n  b = 2  \nj = a = b\n\tt\t=\tx y\n  spaced name  \n", "b=2\0j=a = b\0t=x y\0spaced name\0"s},
      {"comments and blank lines left out, # is ordinary", "[S]\n; c\n  ;c2=x\n\n   \n#hash\na=1\n", "#hash\0a=1\0"s},
      {"quotes in values kept", "[S]\ndq=\"double quoted\"\n", "dq=\"double quoted\"\0"s},
      {"second of two empty keys in a row dropped", "[S]\n= x\n = y\na=1\n= z\n", "=x\0a=1\0=z\0"s},
      {"a [ line without ] is an entry", "[S]\n[open\nk=v\n", "[open\0k=v\0"s},
      {"lines before the first header belong to nothing", "pre=1\n[S]\nin=2\n", "in=2\0"s},
      {"NUL ends a key or value", "[S]\nbefore=ab\0cd\nna\0me=x\n\0leading=y\n"s, "before=ab\0na=x\0=y\0"s},
      {"an entry of 1100 characters", "[S]\nlong=" + std::string(1095, 'v') + "\n",
       "long=" + std::string(1095, 'v') + "\0"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = Inf(c.file);
    EXPECT_EQ(Section(file, "S", 2048), c.entries);
  }
}

TEST_F(ProfileTest, LineEndsAndFinalNewlineDoNotMatter) {
  const std::string lf = "[A]\nx=1\ny = 2\n[B]\nz\n";
  const std::string expected_a = "x=1\0y=2\0"s;
  const std::string variants[] = {
      lf,
      "[A]\r\nx=1\r\ny = 2\r\n[B]\r\nz\r\n",
      "[A]\rx=1\ry = 2\r[B]\rz\r",
      "[A]\r\nx=1\ny = 2\r[B]\n\rz",
  };
  for (const std::string& text : variants) {
    std::string file = Inf(text);
    EXPECT_EQ(Section(file, "A"), expected_a);
    EXPECT_EQ(Section(file, "B"), "z\0"s);
  }
  // A header on the last line, without a newline, is a valid empty section.
  std::string file = Inf("[A]\nx=1\n[Last]");
  DWORD count = 99;
  EXPECT_EQ(Section(file, "Last", 1024, &count), "");
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(String(file, "A", "x"), "1");
}

TEST_F(ProfileTest, SectionHeadersAndNames) {
  std::string file = Inf(
      "[a]b]\nab=1\n"
      "[Trail] ; c\nt=1\n"
      "   [Indented]\ni=1\n"
      "[Se\0c]\ns=1\n"s
      "[Dup]\nfirst=1\n"
      "[Other]\no=1\n"
      "[dUP]\nsecond=2\n"
      "[\xDCn\xEF" "c\xF6\x64\xE9]\nu=1\n");
  EXPECT_EQ(Section(file, "a]b"), "ab=1\0"s);
  EXPECT_EQ(Section(file, "Trail"), "t=1\0"s);
  EXPECT_EQ(Section(file, "INDENTED"), "i=1\0"s);
  EXPECT_EQ(Section(file, "Se"), "s=1\0"s);
  // Only the first of two sections with one name counts, for both reads.
  EXPECT_EQ(Section(file, "dup"), "first=1\0"s);
  EXPECT_EQ(String(file, "DUP", "second"), "");
  // A section read takes the name as given; a key read ignores blanks around it.
  EXPECT_EQ(Section(file, " Trail "), "");
  EXPECT_EQ(String(file, " Trail ", "t"), "1");
  // Only ASCII letters match regardless of case.
  EXPECT_EQ(Section(file, "\xDCn\xEF" "c\xF6\x64\xE9"), "u=1\0"s);
  EXPECT_EQ(Section(file, "\xDCN\xCF\x43\xD6\x44\xC9"), "");
}

TEST_F(ProfileTest, SectionReadSizing) {
  // Entries "ab=1\0cd=22\0": D = 11 bytes with their NULs.
  std::string file = Inf("[S]\nab=1\ncd=22\n");
  const std::string full = "ab=1\0cd=22\0"s;
  struct Case {
    DWORD size;
    DWORD count;
    std::string entries;
    bool cut;
  };
  const Case cases[] = {
      {13, 11, full, false},                // D + 2: fits
      {12, 10, "ab=1\0cd=22"s, true},       // D + 1: exact fit counts as cut, same bytes
      {8, 6, "ab=1\0c"s, true},             // cut inside an entry
      {3, 1, "a"s, true},                   // "a\0\0"
      {2, 0, ""s, true},                    // "\0\0"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("size " + std::to_string(c.size));
    std::vector<char> buf(c.size + kGuard, kPoison);
    DWORD n = GetPrivateProfileSectionA("S", buf.data(), c.size, file.c_str());
    EXPECT_EQ(n, c.count);
    EXPECT_EQ(std::string(buf.data(), n), c.entries);
    EXPECT_EQ(buf[n], '\0');
    if (c.cut) {
      EXPECT_EQ(buf[n + 1], '\0');  // two NULs end cut data
    } else {
      EXPECT_EQ(buf[n + 1], kPoison);
    }
    CheckGuard(buf, c.size);
  }
  // Sizes 1 and 0 write at most the one byte there is.
  char one[2] = {kPoison, kPoison};
  EXPECT_EQ(GetPrivateProfileSectionA("S", one, 1, file.c_str()), 0u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(one[1], kPoison);
  char none[1] = {kPoison};
  EXPECT_EQ(GetPrivateProfileSectionA("S", none, 0, file.c_str()), 0u);
  EXPECT_EQ(none[0], kPoison);
  EXPECT_EQ(GetPrivateProfileSectionA("S", nullptr, 100, file.c_str()), 0u);
}

TEST_F(ProfileTest, ManufacturerSectionLongerThanBufferKeepsFirstEntry) {
  std::string file = Inf("[Manufacturer]\n\"Brevant\"\n" + std::string(300, 'm') + "=x\n");
  DWORD count = 0;
  std::string got = Section(file, "Manufacturer", 260, &count);
  EXPECT_EQ(count, 258u);
  EXPECT_EQ(std::string(got.c_str()), "\"Brevant\"");
}

// ---- key reads -------------------------------------------------------------

TEST_F(ProfileTest, KeyReadsFollowTheReaderRules) {
  std::string file = Inf(
      "[Models]\n"
      "\"Brevant TR-2210 Series PS\" = TR2210.PPD, USBPRINT\\BrevantTR-22102A3F\n"
      "[Values]\n"
      "dq = \"double quoted\"\n"
      "sq='single'\n"
      "inner=\"a\", \"b\"\n"
      "inner2=\"a\"b\"c\"\n"
      "lone=\"\n"
      "empty=\"\"\n"
      "mismatch=\"open single'\n"
      "remark=value ; remark\n"
      "only=; only remark\n"
      "token=%STRING_TOKEN%\n"
      "i==double\n"
      "K2=\n"
      "k2=nonempty\n"
      "no equals sign\n"
      ";commented=key\n"
      "first=1\n");
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"Models", "\"Brevant TR-2210 Series PS\"", "TR2210.PPD, USBPRINT\\BrevantTR-22102A3F"},
      {"models", "\"BREVANT tr-2210 SERIES ps\"", "TR2210.PPD, USBPRINT\\BrevantTR-22102A3F"},
      {"Models", "Brevant TR-2210 Series PS", ""},  // quotes are part of the key
      {"Values", "dq", "double quoted"},
      {"Values", "sq", "single"},
      {"Values", "inner", "a\", \"b"},
      {"Values", "inner2", "a\"b\"c"},
      {"Values", "lone", "\""},
      {"Values", "empty", ""},
      {"Values", "mismatch", "\"open single'"},
      {"Values", "remark", "value ; remark"},
      {"Values", "only", "; only remark"},
      {"Values", "token", "%STRING_TOKEN%"},
      {"Values", "i", "=double"},
      {"Values", "k2", ""},  // the first of two keys wins, even when empty
      {"Values", "no equals sign", ""},
      {"Values", ";commented", "key"},
      {"Values", " first ", "1"},
      {"Values", "missing", ""},
      {"Missing", "first", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(String(file, c.section, c.key), c.value);
  }
}

TEST_F(ProfileTest, KeyReadCutsValuesToTheBuffer) {
  const std::string v300(300, 'x');
  const std::string v259(259, 'q');
  std::string file = Inf("[S]\nlong=" + v300 + "\nquoted=\"" + v259 + "\"\nshort=\"double quoted\"\n");
  DWORD count = 0;
  EXPECT_EQ(String(file, "S", "long", 260, "", &count), v300.substr(0, 259));
  EXPECT_EQ(count, 259u);
  EXPECT_EQ(String(file, "S", "long", 1), "");
  EXPECT_EQ(String(file, "S", "long", 2), "x");
  EXPECT_EQ(String(file, "S", "long", 4), "xxx");
  // Quotes come off before the value is cut: a quoted value of size - 1
  // characters comes back whole.
  EXPECT_EQ(String(file, "S", "quoted", 260), v259);
  EXPECT_EQ(String(file, "S", "short", 14), "double quoted");
  EXPECT_EQ(String(file, "S", "short", 13), "double quote");
  char none[1] = {kPoison};
  EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", none, 0, file.c_str()), 0u);
  EXPECT_EQ(none[0], kPoison);
}

TEST_F(ProfileTest, KeyListWithoutKey) {
  std::string file = Inf("[S]\na=1\n;c=2\nB = 3\nword\n");
  std::vector<char> buf(64, kPoison);
  DWORD n = GetPrivateProfileStringA("S", nullptr, "", buf.data(), 32, file.c_str());
  EXPECT_EQ(std::string(buf.data(), n), "a\0B\0word\0"s);
  EXPECT_EQ(buf[n], '\0');
}

TEST_F(ProfileTest, MissingInputsGiveTheDefault) {
  std::string file = Inf("[S]\nk=v\n");
  Inf("", "empty.inf");
  std::filesystem::create_directories(root_.DriveC("adir"));
  const char* files[] = {"C:\\nothere.inf", "C:\\empty.inf", "C:\\adir", "", "Q:\\x.inf", nullptr};
  for (const char* f : files) {
    SCOPED_TRACE(f ? f : "(null)");
    char buf[32];
    std::memset(buf, kPoison, sizeof buf);
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "dflt  ", buf, 16, f), 4u);
    EXPECT_STREQ(buf, "dflt");  // trailing blanks of the default dropped
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    std::memset(buf, kPoison, sizeof buf);
    EXPECT_EQ(GetPrivateProfileSectionA("S", buf, 16, f), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '\0');
  }
  EXPECT_EQ(String(file, nullptr, "k", 260, nullptr), "");
  EXPECT_EQ(Section(file, nullptr), "");
  std::string unnamed = Inf("[]\nk=v\n[ ]\nk=w\n", "unnamed.inf");
  EXPECT_EQ(Section(unnamed, ""), "");
  EXPECT_EQ(String(unnamed, "", "k"), "");
  EXPECT_EQ(String(unnamed, "  ", "k"), "");
  EXPECT_EQ(String(file, "S", "nokey", 260, nullptr), "");
}

TEST_F(ProfileTest, InjectedFaultFailsTheRead) {
  root_.WriteSystemIni("[faults]\nGetPrivateProfileStringA=5\n");
  std::string file = Inf("[S]\nk=v\n");
  char buf[16];
  std::memset(buf, kPoison, sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buf, sizeof buf, file.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(GetLastError(), 5u);
  EXPECT_EQ(Section(file, "S"), "k=v\0"s);
}

// ---- where the file is -------------------------------------------------------

TEST_F(ProfileTest, BareFileNameIsLookedUpInTheWindowsDirectory) {
  root_.WriteDriveC("WINDOWS/bare.inf", "[S]\r\nk=windows\r\n");
  root_.WriteDriveC("kit/bare.inf", "[S]\r\nk=current\r\n");
  root_.WriteDriveC("kit/only.inf", "[S]\r\nk=current\r\n");
  struct InKitFolder {
    std::filesystem::path old = std::filesystem::current_path();
    explicit InKitFolder(const std::string& dir) { std::filesystem::current_path(dir); }
    ~InKitFolder() { std::filesystem::current_path(old); }
  } cwd(root_.DriveC("kit"));
  EXPECT_EQ(String("bare.inf", "S", "k"), "windows");
  EXPECT_EQ(Section("bare.inf", "S"), "k=windows\0"s);
  // A name with a separator is a relative path from the current directory.
  EXPECT_EQ(String(".\\bare.inf", "S", "k"), "current");
  EXPECT_EQ(String("..\\kit\\bare.inf", "S", "k"), "current");
  // Run from the kit's folder, a bare name does not find the kit's INF.
  EXPECT_EQ(String("only.inf", "S", "k"), "");
  EXPECT_EQ(Section("only.inf", "S"), "");
}

// ---- encodings ---------------------------------------------------------------

std::string Utf16Le(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST_F(ProfileTest, UnicodeFilesComeBackInTheCodePage) {
  const std::u16string text = u"[Caf\u00e9]\r\nname=Caf\u00e9\r\n\u03a9mega=\"\u03a9\"\r\n[Greek \u03a9]\r\nk=v\r\n";
  const std::string utf8 = "\xEF\xBB\xBF[Caf\xC3\xA9]\nname=Caf\xC3\xA9\n\xCE\xA9mega=\"\xCE\xA9\"\n[Greek \xCE\xA9]\nk=v\n";
  for (const std::string& bytes : {Utf16Le(text), utf8}) {
    std::string file = Inf(bytes);
    EXPECT_EQ(Section(file, "Caf\xE9"), "name=Caf\xE9\0Omega=\"O\"\0"s);
    EXPECT_EQ(String(file, "CAF\xE9", "NAME"), "Caf\xE9");
    // Best-fit output, but no ANSI name reaches a character outside the code page.
    EXPECT_EQ(String(file, "Caf\xE9", "Omega"), "");
    EXPECT_EQ(Section(file, "Greek O"), "");
  }
  // Without a byte-order mark the bytes are taken as they are.
  std::string raw = Inf("[S]\nk=Caf\xC3\xA9\n\xC3\xA9=x\n");
  EXPECT_EQ(String(raw, "S", "k"), "Caf\xC3\xA9");
  EXPECT_EQ(String(raw, "S", "\xC3\xA9"), "x");
  // A big-endian file with its mark reads the same.
  std::string be = "\xFE\xFF"s + "\0[\0S\0]\0\n\0k\0=\0\xE9"s;
  EXPECT_EQ(String(Inf(be), "S", "k"), "\xE9");
}

TEST_F(ProfileTest, DoubleByteCodePageKeepsCharactersWhole) {
  root_.WriteSystemIni("[locale]\nCodePage=932\n");
  // 0x95 0x5C is one character whose second byte is a backslash; 0x83 0x5D
  // ends in ']'; 0x83 0x41 and 0x83 0x61 differ only in a second byte that
  // looks like an ASCII letter.
  std::string file = Inf(
      "[\x83\x5D\n"       // no closing bracket of its own: not a header
      "[Dir\x95\x5C]\n"
      "path=C:\\\x95\x5C\\x\n"
      "\x83\x41=upper\n"
      "pair=\x95\x5C\x95\x5C\n");
  EXPECT_EQ(String(file, "Dir\x95\x5C", "path"), "C:\\\x95\x5C\\x");
  EXPECT_EQ(Section(file, "\x83"), "");
  EXPECT_EQ(String(file, "Dir\x95\x5C", "\x83\x41"), "upper");
  EXPECT_EQ(String(file, "Dir\x95\x5C", "\x83\x61"), "");
  // A value cut to the buffer never ends in half a character.
  EXPECT_EQ(String(file, "Dir\x95\x5C", "pair", 4), "\x95\x5C");
  DWORD count = 0;
  // Cut after byte 9 would split 0x95 0x5C: the lead byte goes too.
  std::string cut = Section(file, "dir\x95\x5C", 11, &count);
  EXPECT_EQ(count, 9u);
  EXPECT_EQ(cut, "path=C:\\\0"s);
}

TEST_F(ProfileTest, UnicodeFileInDoubleByteCodePage) {
  root_.WriteSystemIni("[locale]\nCodePage=932\n");
  std::string file = Inf(Utf16Le(u"[S]\r\nk=\u8868\u793a\r\n"));
  EXPECT_EQ(String(file, "S", "k"), "\x95\x5C\x8E\xA6");
}

// ---- end of file ----------------------------------------------------------------

TEST_F(ProfileTest, DosEndOfFileCharacterEndsTheFile) {
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"on its own last line", "[S]\r\na=1\r\n\x1a"},
      {"followed by a line end", "[S]\r\na=1\r\n\x1a\r\n"},
      {"inside a line", "[S]\r\na=1\x1a junk\r\nb=2\r\n"},
      {"before further sections", "[S]\r\na=1\r\n\x1a[T]\r\nb=2\r\n"},
      {"in a UTF-16 file", Utf16Le(u"[S]\r\na=1\r\n\u001a[T]\r\nb=2\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = Inf(c.file);
    EXPECT_EQ(Section(file, "S"), "a=1\0"s);
    EXPECT_EQ(String(file, "S", "a"), "1");
    EXPECT_EQ(String(file, "T", "b"), "");
  }
}

// ---- the parse cache -----------------------------------------------------------

TEST_F(ProfileTest, FileIsParsedOnceWhileUnchanged) {
  std::string file = Inf("[S]\nk=one\n");
  const std::string host = root_.DriveC("test.inf");
  size_t before = winsim::profile::ParsedFileCount();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(String(file, "S", "k"), "one");
  EXPECT_EQ(Section(file, "S"), "k=one\0"s);
  EXPECT_EQ(winsim::profile::ParsedFileCount(), before + 1);

  // New content of another size is read again.
  Inf("[S]\nk=three\n");
  EXPECT_EQ(String(file, "S", "k"), "three");
  EXPECT_EQ(winsim::profile::ParsedFileCount(), before + 2);

  // Same size, but a new modification time: read again too.
  struct stat st;
  ASSERT_EQ(stat(host.c_str(), &st), 0);
  Inf("[S]\nk=seven\n");
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  times[1].tv_sec += 10;
  ASSERT_EQ(utimensat(AT_FDCWD, host.c_str(), times, 0), 0);
  EXPECT_EQ(String(file, "S", "k"), "seven");
  EXPECT_EQ(winsim::profile::ParsedFileCount(), before + 3);

  // A file that disappears is missing at once.
  std::filesystem::remove(host);
  EXPECT_EQ(String(file, "S", "k"), "");
}

}  // namespace
