#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/reg_file.h"
#include "support/temp_root.h"

namespace {

HKEY Create(const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS) << path;
  return key;
}

std::vector<std::string> Subkeys(HKEY key) {
  std::vector<std::string> names;
  char name[260];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.push_back(name);
  return names;
}

TEST(RegistryTest, KeysAreCaseInsensitiveAndCasePreserving) {
  kit_test::TempRoot root;
  RegCloseKey(Create("Software\\Brevant\\QXPrinter\\Drivers\\P1"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\brevant\\Qxprinter\\drivers\\p1", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\BREVANT", &parent), ERROR_SUCCESS);
  EXPECT_EQ(Subkeys(parent), std::vector<std::string>{"QXPrinter"});
  RegCloseKey(parent);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Nobody", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
}

TEST(RegistryTest, SubkeysComeInCaseInsensitiveOrder) {
  kit_test::TempRoot root;
  for (const char* n : {"b", "C", "a", "B2"}) {
    RegCloseKey(Create((std::string("Software\\Order\\") + n).c_str()));
  }
  HKEY key = Create("Software\\Order");
  EXPECT_EQ(Subkeys(key), (std::vector<std::string>{"a", "b", "B2", "C"}));
  char name[260];
  EXPECT_EQ(RegEnumKeyA(key, 4, name, sizeof name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyA(key, 0, name, 1), ERROR_MORE_DATA);  // "a" needs 2 bytes
  RegCloseKey(key);
}

TEST(RegistryTest, ValuesKeepTheOrderTheyWereFirstSetIn) {
  kit_test::TempRoot root;
  HKEY key = Create("Software\\Values");
  const BYTE one[] = "1";
  for (const char* n : {"zeta", "alpha", "Mid"})
    ASSERT_EQ(RegSetValueExA(key, n, 0, REG_SZ, one, 2), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "ZETA", 0, REG_DWORD, one, 2), ERROR_SUCCESS);  // update keeps place
  std::vector<std::string> names;
  char name[260];
  DWORD chars = sizeof name, type = 0;
  for (DWORD i = 0; chars = sizeof name, RegEnumValueA(key, i, name, &chars, nullptr, &type, nullptr, nullptr) == 0; ++i)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"zeta", "alpha", "Mid"}));
  chars = 4;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  chars = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 3, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST(RegistryTest, ValueBytesComeBackExactly) {
  kit_test::TempRoot root;
  HKEY key = Create("Software\\Bytes");
  const BYTE text[] = {'a', 'b', 'c'};  // a string set without its NUL
  ASSERT_EQ(RegSetValueExA(key, "OEMINF", 0, REG_SZ, text, 3), ERROR_SUCCESS);
  BYTE buffer[260];
  std::memset(buffer, 0, sizeof buffer);
  DWORD size = sizeof buffer, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "oeminf", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 3u);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "abc");
  size = 2;
  EXPECT_EQ(RegQueryValueExA(key, "OEMINF", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 3u);
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "OEMINF", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  const BYTE binary[] = {0, 0xFF, 0, 0x80};
  ASSERT_EQ(RegSetValueExA(key, "bin", 0, REG_BINARY, binary, 4), ERROR_SUCCESS);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "bin", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string("\0\xFF\0\x80", 4));
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST(RegistryTest, DeleteIsRefusedWhileSubkeysExist) {
  kit_test::TempRoot root;
  RegCloseKey(Create("Software\\M\\QXPrinter\\Drivers\\P"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\M\\QXPrinter\\Drivers"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\M\\qxprinter\\drivers\\p"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\M\\QXPrinter\\Drivers"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\M\\QXPrinter\\Drivers"), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryTest, HandlesCarryTheirAccessAndGoStale) {
  kit_test::TempRoot root;
  RegCloseKey(Create("Software\\Access"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Access", 0, KEY_READ, &key), ERROR_SUCCESS);
  const BYTE v[] = "x";
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, v, 2), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, v, 2), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyA(reinterpret_cast<HKEY>(0x1234), "x", &key), ERROR_INVALID_HANDLE);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Access", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Access"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, v, 2), ERROR_KEY_DELETED);
  RegCloseKey(key);
}

TEST(RegistryTest, FaultsFailTheNamedCall) {
  kit_test::TempRoot root;
  root.WriteSystemIni("[faults]\nRegCreateKeyA#2=5\n");
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\F1", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\F2", &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\F3", &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RegFileTest, RoundTripsEveryValueType) {
  kit_test::TempRoot root;
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter\\Port\\USB]\r\n"
      "\"USB001\"=\"MFG:Brevant;MDL:TR-2210 \\\"Series\\\" PS;\"\r\n"
      "\"count\"=dword:0000002a\r\n"
      "\"raw\"=hex:00,ff,\\\r\n  10\r\n"
      "\"path\"=hex(2):25,00\r\n"
      "\"list\"=hex(7):61,00,62,00,00\r\n"
      "@=\"default\"\r\n";
  std::vector<winsim::regfile::Operation> ops;
  std::string error;
  ASSERT_TRUE(winsim::regfile::Parse(text, &ops, &error)) << error;
  ASSERT_EQ(winsim::regfile::Apply(ops), 0u);
  std::string exported;
  ASSERT_EQ(winsim::regfile::Export("HKEY_LOCAL_MACHINE", "software\\brevant", &exported), 0u);
  // What was exported imports into a fresh system and exports the same.
  kit_test::TempRoot second;
  ASSERT_TRUE(winsim::regfile::Parse(std::string(winsim::regfile::kHeader) + "\n" + exported, &ops, &error)) << error;
  ASSERT_EQ(winsim::regfile::Apply(ops), 0u);
  std::string again;
  ASSERT_EQ(winsim::regfile::Export("HKEY_LOCAL_MACHINE", "Software\\Brevant", &again), 0u);
  EXPECT_EQ(again, exported);
  EXPECT_NE(exported.find("\"raw\"=hex:00,ff,10"), std::string::npos) << exported;
  EXPECT_NE(exported.find("\"list\"=hex(7):61,00,62,00,00"), std::string::npos);
  EXPECT_NE(exported.find("@=\"default\""), std::string::npos);
}

TEST(RegFileTest, MalformedLinesAreNamedAndNothingIsImported) {
  kit_test::TempRoot root;
  const char* bad[] = {
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\X]\n",
      "Windows Registry Editor Version 5.00\n\"v\"=\"outside\"\n",
      "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\X]\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:123456789\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:1,2zz\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"unterminated\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X\n",
  };
  const char* lines[] = {"line 1", "line 2", "line 2", "line 3", "line 3", "line 3", "line 2"};
  for (size_t i = 0; i < std::size(bad); ++i) {
    std::vector<winsim::regfile::Operation> ops;
    std::string error;
    EXPECT_FALSE(winsim::regfile::Parse(bad[i], &ops, &error)) << bad[i];
    EXPECT_EQ(error.rfind(lines[i], 0), 0u) << error;
    EXPECT_TRUE(ops.empty());
  }
}

TEST(RegFileTest, DeletionsRemoveKeysAndValues) {
  kit_test::TempRoot root;
  std::vector<winsim::regfile::Operation> ops;
  std::string error;
  ASSERT_TRUE(winsim::regfile::Parse(
      "Windows Registry Editor Version 5.00\n[HKLM\\Software\\D\\Sub]\n\"a\"=\"1\"\n\"b\"=\"2\"\n"
      "[HKLM\\Software\\D\\Sub]\n\"a\"=-\n[-HKLM\\Software\\D\\Gone]\n", &ops, &error)) << error;
  ASSERT_EQ(winsim::regfile::Apply(ops), 0u);
  std::string text;
  ASSERT_EQ(winsim::regfile::Export("HKEY_LOCAL_MACHINE", "Software\\D", &text), 0u);
  EXPECT_EQ(text, "[HKEY_LOCAL_MACHINE\\Software\\D]\n\n[HKEY_LOCAL_MACHINE\\Software\\D\\Sub]\n\"b\"=\"2\"\n\n");
  ASSERT_TRUE(winsim::regfile::Parse("Windows Registry Editor Version 5.00\n[-HKLM\\Software\\D]\n", &ops, &error));
  ASSERT_EQ(winsim::regfile::Apply(ops), 0u);
  EXPECT_EQ(winsim::regfile::Export("HKEY_LOCAL_MACHINE", "Software\\D", &text), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
