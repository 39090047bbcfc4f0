// The error box, the trace and the multibyte-aware text helpers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "common/error_box.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "support/temp_root.h"

namespace {

TEST(ErrorBoxTest, ShowsTheSystemTextWithAWarningIcon) {
  kit_test::TempRoot root;
  ShowLastErrorBox(ERROR_ACCESS_DENIED, "C:\\kit\\drv.dll");
  EXPECT_EQ(root.ReadEvents(),
            "{\"event\":\"MessageBox\",\"caption\":\"C:\\\\kit\\\\drv.dll\",\"text\":"
            "\"Access is denied.\\r\\n\",\"style\":48}\n");
}

TEST(ErrorBoxTest, ACodeWithoutTextStillShowsTheCode) {
  kit_test::TempRoot root;
  ShowLastErrorBox(0x20001234, "Ombrel.Dll");
  EXPECT_NE(root.ReadEvents().find("\"text\":\"Unknown error 536875572 (0x20001234).\""),
            std::string::npos)
      << root.ReadEvents();
}

TEST(TraceTest, WritesOnlyWhenSwitchedOn) {
  kit_test::TempRoot root;
  std::string file = root.dir() + "/trace.txt";
  unsetenv("QUILLSET_TRACE");
  TraceLog("[Quillset] off %d\n", 1);
  EXPECT_FALSE(std::ifstream(file).good());
  setenv("QUILLSET_TRACE", file.c_str(), 1);
  SetLastError(1795);
  TraceLog("[Quillset] MFG = %s\n", "Brevant");
  TraceLog("%s", std::string(2000, 'x').c_str());
  EXPECT_EQ(GetLastError(), 1795u);  // tracing keeps the code being reported
  unsetenv("QUILLSET_TRACE");
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "[Quillset] MFG = Brevant\n" + std::string(2000, 'x'));
}

TEST(TextTest, TrailBytesNeverMatch) {
  kit_test::TempRoot root;
  root.WriteSystemIni("[locale]\nCodePage=932\n");
  const std::string path = "C:\\\x95\x5C\\file.inf";  // 0x95 0x5C is one character
  EXPECT_EQ(kit::FindLastChar(path, '\\'), 5u);
  EXPECT_EQ(kit::DirectoryPart(path), "C:\\\x95\x5C");
  EXPECT_EQ(kit::FileNamePart(path), "file.inf");
  EXPECT_EQ(kit::FindChar(path, '\\', 3), 5u);
  EXPECT_EQ(kit::RemoveChar("\x95\x5C\\a", '\\'), "\x95\x5C" "a");
  EXPECT_EQ(kit::ToUpper("ab\x95z"), "AB\x95z");  // 0x95 leads: 'z' is its trail byte
}

TEST(TextTest, UpperCaseFollowsCodePage1252) {
  kit_test::TempRoot root;
  EXPECT_EQ(kit::ToUpper("tr-2210 \xE9\xFF"), "TR-2210 \xC9\x9F");
  EXPECT_EQ(kit::FindChar("a,b", ','), 1u);
  EXPECT_EQ(kit::FindChar("abc", ','), kit::kNotFound);
}

TEST(StrBufTest, NeverWritesPastTheBuffer) {
  char small[8];
  EXPECT_TRUE(kit::CopyStr(small, "1234567"));
  EXPECT_FALSE(kit::CopyStr(small, "12345678"));
  EXPECT_STREQ(small, "1234567");
  EXPECT_FALSE(kit::AppendStr(small, "x"));
  EXPECT_FALSE(kit::JoinPath(small, "C:\\dir", "f"));
  EXPECT_STREQ(small, "C:\\dir\\");
  EXPECT_TRUE(kit::FormatStr(small, "%s", "abc"));
  EXPECT_FALSE(kit::FormatStr(small, "%s\\%s", "abcd", "efgh"));
  EXPECT_EQ(kit::FormatString("%s-%d", std::string(1000, 'a').c_str(), 7).size(), 1002u);
}

}  // namespace
