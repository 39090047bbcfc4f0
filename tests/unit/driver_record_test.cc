#include "installer/records/driver_record.h"

#include <gtest/gtest.h>

#include <string>

#include "common/unique_handle.h"
#include "support/temp_root.h"

namespace {

constexpr char kRecord[] = "Software\\Brevant\\QXPrinter\\Drivers\\TR-2210";

void CreateKey(const std::string& path) {
  kit::UniqueRegKey key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key.Put()), ERROR_SUCCESS) << path;
}

void SetSz(const std::string& path, const char* name, const std::string& text) {
  kit::UniqueRegKey key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key.Put()), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.Get(), name, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
}

bool HasValue(const std::string& path, const char* name) {
  kit::UniqueRegKey key;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key.Put()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  return RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

TEST(DriverRecordTest, CreateRemovesQuotesAndStartsEmpty) {
  kit_test::TempRoot root;
  ASSERT_TRUE(CreateDriverRecord("\"TR-2210\"", "Brevant"));
  EXPECT_TRUE(RegistryKeyExists(kRecord));
  EXPECT_FALSE(RegistryKeyExists("Software\\Brevant\\QXPrinter\\Drivers\\\"TR-2210\""));

  // A second install of the same printer drops the earlier record's value.
  SetSz(kRecord, "OEMINF", "C:\\WINDOWS\\inf\\oem0.inf");
  ASSERT_TRUE(HasValue(kRecord, "OEMINF"));
  ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
  EXPECT_TRUE(RegistryKeyExists(kRecord));
  EXPECT_FALSE(HasValue(kRecord, "OEMINF"));
}

TEST(DriverRecordTest, CreateRefusesAPathLongerThan259WithoutTouchingTheRegistry) {
  kit_test::TempRoot root;
  // "Software\M\QXPrinter\Drivers\" is 29 characters.
  std::string fits(259 - 29, 'p');
  std::string too_long(260 - 29, 'p');
  EXPECT_FALSE(CreateDriverRecord(too_long, "M"));
  EXPECT_FALSE(RegistryKeyExists("Software\\M"));
  EXPECT_TRUE(CreateDriverRecord(fits, "M"));
  EXPECT_TRUE(RegistryKeyExists("Software\\M\\QXPrinter\\Drivers\\" + fits));
}

TEST(DriverRecordTest, CreateFailsWhenTheKeyCannotBeCreated) {
  kit_test::TempRoot root;
  root.WriteSystemIni("[faults]\nRegCreateKeyA=5\n");
  EXPECT_FALSE(CreateDriverRecord("TR-2210", "Brevant"));
}

// Which keys survive the deletion of one record, by what else is recorded.
TEST(DriverRecordTest, DeleteRemovesOnlyParentsThatBecameEmpty) {
  struct Case {
    const char* name;
    std::vector<std::string> also_present;  // keys created besides the record
    bool drivers_stays;
    bool product_stays;
  };
  const Case cases[] = {
      {"last record", {}, false, false},
      {"another printer", {"Software\\Brevant\\QXPrinter\\Drivers\\TR-3300"}, true, true},
      {"port records", {"Software\\Brevant\\QXPrinter\\Port\\USB"}, false, true},
      {"record with a subkey", {std::string(kRecord) + "\\Extra"}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit_test::TempRoot root;
    ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
    SetSz(kRecord, "OEMINF", "C:\\WINDOWS\\inf\\oem1.inf");
    for (const std::string& key : c.also_present) CreateKey(key);

    EXPECT_TRUE(DeleteDriverRecord("Brevant", "TR-2210"));
    EXPECT_EQ(RegistryKeyExists("Software\\Brevant\\QXPrinter\\Drivers"), c.drivers_stays);
    EXPECT_EQ(RegistryKeyExists("Software\\Brevant\\QXPrinter"), c.product_stays);
    EXPECT_TRUE(RegistryKeyExists("Software\\Brevant"));
    for (const std::string& key : c.also_present) EXPECT_TRUE(RegistryKeyExists(key)) << key;
  }
}

TEST(DriverRecordTest, DeleteOfAMissingRecordStillClearsEmptyParents) {
  kit_test::TempRoot root;
  CreateKey("Software\\Brevant\\QXPrinter\\Drivers");
  EXPECT_TRUE(DeleteDriverRecord("Brevant", "never installed"));
  EXPECT_FALSE(RegistryKeyExists("Software\\Brevant\\QXPrinter"));
  EXPECT_TRUE(RegistryKeyExists("Software\\Brevant"));
}

TEST(DriverRecordTest, KeysAreFoundWhateverTheCaseOfTheirStoredName) {
  kit_test::TempRoot root;
  CreateKey("SOFTWARE\\Brevant\\qxprinter\\DRIVERS\\TR-2210");
  EXPECT_TRUE(RegistryKeyExists(kRecord));
  EXPECT_TRUE(DeleteDriverRecord("Brevant", "TR-2210"));
  EXPECT_FALSE(RegistryKeyExists("Software\\Brevant\\QXPrinter"));
}

TEST(DriverRecordTest, SubkeyTestCountsSubkeysNotValues) {
  kit_test::TempRoot root;
  EXPECT_FALSE(RegistryKeyHasSubKeys("Software\\Missing"));
  SetSz("Software\\Brevant\\QXPrinter", "Note", "values do not count");
  EXPECT_FALSE(RegistryKeyHasSubKeys("Software\\Brevant\\QXPrinter"));
  CreateKey("Software\\Brevant\\QXPrinter\\Port");
  EXPECT_TRUE(RegistryKeyHasSubKeys("Software\\Brevant\\QXPrinter"));
}

TEST(DriverRecordTest, AKeyThatCannotBeExaminedIsKept) {
  kit_test::TempRoot root;
  CreateKey("Software\\Brevant\\QXPrinter\\Drivers");
  root.WriteSystemIni("[faults]\nRegOpenKeyA=5\n");
  EXPECT_TRUE(RegistryKeyHasSubKeys("Software\\Brevant\\QXPrinter\\Drivers"));
  EXPECT_TRUE(DeleteDriverRecord("Brevant", "TR-2210"));
  kit::UniqueRegKey key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brevant\\QXPrinter\\Drivers", 0,
                          KEY_READ, key.Put()),
            ERROR_SUCCESS);
}

}  // namespace
