#include <gtest/gtest.h>

#include <string>

#include "installer/inf/printer_install.h"
#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

constexpr char kUsb[] = "Software\\Brevant\\QXPrinter\\Port\\USB";
constexpr char kParallel[] = "Software\\Brevant\\QXPrinter\\Port\\PARALLEL";
constexpr char kDevice[] = "MFG:Brevant;MDL:TR-2210 Series PS;CMD:POSTSCRIPT;";
constexpr char kOtherDevice[] = "MFG:Brevant;MDL:TR-1100 Series;CMD:PCL;";

class PortChoiceTest : public InfFixture {
 protected:
  std::string Choose(const std::string& models = "TR-2210") {
    std::string port = "unset";
    EXPECT_EQ(GetActivePort(port, "Brevant", models), 1);
    return port;
  }
  /// FindPortInRegistry on one key; the port it delivered, "-" for none.
  int Scan(const char* key, const std::string& manufacturer, const std::string& models,
           std::string* port) {
    char buffer[kMaxPath] = "-";
    int result = FindPortInRegistry(key, buffer, manufacturer, models);
    *port = buffer;
    return result;
  }
};

TEST_F(PortChoiceTest, FallsBackWhenTheRecordsSupplyNothing) {
  EXPECT_EQ(Choose(), "LPT1:");  // neither key exists

  SetPortText(kUsb, "USB001", kOtherDevice);
  EXPECT_EQ(Choose(), "FILE:");  // USB without a match, no parallel key

  CreateKey(kParallel);
  EXPECT_EQ(Choose(), "FILE:");  // and an empty parallel key
}

TEST_F(PortChoiceTest, AnEmptyParallelKeyAloneGivesFile) {
  CreateKey(kParallel);
  EXPECT_EQ(Choose(), "FILE:");
}

TEST_F(PortChoiceTest, AUsbMatchWinsOverParallel) {
  SetPortText(kParallel, "LPT1:", kDevice);
  SetPortText(kUsb, "USB001", kOtherDevice);
  SetPortText(kUsb, "USB002", kDevice);
  EXPECT_EQ(Choose(), "USB002");
}

TEST_F(PortChoiceTest, ParallelGivesItsMatchOrElseItsFirstValue) {
  SetPortText(kUsb, "USB001", kOtherDevice);
  SetPortText(kParallel, "LPT3:", kOtherDevice);
  SetPortText(kParallel, "LPT2:", "MFG:Other;MDL:TR-2210;");  // model without manufacturer
  EXPECT_EQ(Choose(), "LPT3:");
  SetPortText(kParallel, "LPT1:", kDevice);  // index 2
  EXPECT_EQ(Choose(), "LPT1:");
}

TEST_F(PortChoiceTest, MatchesSubstringsWithoutRegardToCase) {
  SetPortText(kUsb, "USB001", "mfg:brevant;mdl:tr-2210ps;");
  struct Case {
    const char* models;
    const char* port;
  } cases[] = {
      {"TR-2210", "USB001"},
      {"tr-2210", "USB001"},
      {"\"TR-2210\"", "USB001"},  // quotes in the list are removed
      {"TR-9999,TR-2210", "USB001"},
      {"TR-9999,,TR-2210", "FILE:"},  // the empty piece ends the try
      {",TR-2210", "FILE:"},
      {"", "FILE:"},
      {"TR-2210 ", "FILE:"},  // blanks belong to the names
  };
  for (const auto& c : cases) EXPECT_EQ(Choose(c.models), c.port) << c.models;

  std::string port;
  EXPECT_EQ(Scan(kUsb, "BREVANT", "TR-2210", &port), PortMatched);
  EXPECT_EQ(Scan(kUsb, "Other", "TR-2210", &port), PortFirstValue);
  EXPECT_EQ(port, "USB001");
}

TEST_F(PortChoiceTest, ReportsWhatEachKeyDelivered) {
  std::string port;
  EXPECT_EQ(Scan(kUsb, "Brevant", "TR-2210", &port), PortKeyMissing);
  EXPECT_EQ(port, "-");
  CreateKey(kUsb);
  EXPECT_EQ(Scan(kUsb, "Brevant", "TR-2210", &port), PortKeyEmpty);
  EXPECT_EQ(port, "-");
}

TEST_F(PortChoiceTest, ExaminesOnlyTheFirst256Values) {
  for (int i = 0; i < 256; ++i) {
    std::string name = "P";
    name += std::to_string(i);
    SetPortText(kParallel, name, kOtherDevice);
  }
  SetPortText(kParallel, "LATE", kDevice);
  std::string port;
  EXPECT_EQ(Scan(kParallel, "Brevant", "TR-2210", &port), PortFirstValue);
  EXPECT_EQ(port, "P0");
}

TEST_F(PortChoiceTest, ReadsDataOfAnyTypeAsTextUpToItsFirstNul) {
  using namespace std::string_literals;
  struct Case {
    DWORD type;
    std::string data;
    int result;
  } cases[] = {
      {REG_BINARY, "MFG:Brevant;MDL:TR-2210;"s, PortMatched},
      {REG_MULTI_SZ, "MFG:Brevant;\0MDL:TR-2210;\0\0"s, PortFirstValue},
      {REG_MULTI_SZ, "MFG:Brevant;MDL:TR-2210;\0\0"s, PortMatched},
      {REG_BINARY, "MFG:Brevant;\0MDL:TR-2210;"s, PortFirstValue},
      // Exactly 260 bytes without a NUL, the device named at the very end.
      {REG_SZ, std::string(260 - 20, 'x') + "MFG:Brevant;TR-2210;", PortMatched},
      {REG_BINARY, std::string(260 - 20, 'x') + "MFG:Brevant;TR-2210;", PortMatched},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string key = std::string(kUsb) + std::to_string(n++);
    SetPortValue(key, "USB003", c.type, c.data);
    std::string port;
    EXPECT_EQ(Scan(key.c_str(), "Brevant", "TR-2210", &port), c.result) << c.data;
    EXPECT_EQ(port, "USB003");
  }
}

TEST_F(PortChoiceTest, DataLongerThanTheBufferEndsTheScan) {
  SetPortText(kUsb, "USB001", kOtherDevice);
  SetPortValue(kUsb, "USB002", REG_SZ, std::string(300, 'x') + kDevice + std::string(1, '\0'));
  SetPortText(kUsb, "USB003", kDevice);
  std::string port;
  EXPECT_EQ(Scan(kUsb, "Brevant", "TR-2210", &port), PortFirstValue);
  EXPECT_EQ(port, "USB001");

  // Data of exactly 260 bytes including its NUL still fits.
  SetPortValue(kParallel, "LPT1:", REG_SZ,
               std::string(259 - 20, 'x') + "MFG:Brevant;TR-2210;" + std::string(1, '\0'));
  EXPECT_EQ(Scan(kParallel, "Brevant", "TR-2210", &port), PortMatched);
}

TEST_F(PortChoiceTest, AnOverlongManufacturerHasNoRecords) {
  std::string manufacturer(240, 'M');
  std::string port = "unset";
  GetActivePort(port, manufacturer, "TR-2210");
  EXPECT_EQ(port, "LPT1:");
}

}  // namespace
