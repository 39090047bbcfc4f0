#include "installer/inf/model_lookup.h"

#include <gtest/gtest.h>

#include <string>

#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

class ModelLookupTest : public InfFixture {
 protected:
  std::string WriteModelInf(const std::string& model_lines) {
    return WriteKitFile("model.inf",
                        "[Manufacturer]\r\n\"Brevant\"\r\n\r\n[Brevant]\r\n" + model_lines);
  }
};

constexpr char kPrinter[] = "\"Brevant TR-2210 Series PS\"";

TEST_F(ModelLookupTest, SplitsTheModelLineIntoSectionAndPnpId) {
  struct Case {
    const char* value;
    const char* ddi;
    const char* pnp;  // "<kept>" when the caller's value must stay
  } cases[] = {
      {"TR2210 PS , ABC123456", "TR2210PS", "ABC123456"},
      {"DDISECT", "DDISECT", "<kept>"},
      {"DDISECT,", "DDISECT", ""},
      {"DDISECT,ID1,ID2", "DDISECT", "ID1"},
      {"D D I , I D", "DDI", "ID"},
      {",ID", "", "ID"},
      // Only blanks are removed; a tab stays part of the field.
      {"DDI\t,ID", "DDI\t", "ID"},
  };
  for (const auto& c : cases) {
    std::string inf = WriteModelInf(std::string(kPrinter) + " = " + c.value + "\r\n");
    std::string ddi = "unset";
    std::string pnp = "<kept>";
    ASSERT_TRUE(GetDDISection(inf, kPrinter, ddi, pnp)) << c.value;
    EXPECT_EQ(ddi, c.ddi) << c.value;
    EXPECT_EQ(pnp, c.pnp) << c.value;
  }
}

TEST_F(ModelLookupTest, FailsWithoutAUsableModelLineAndTouchesNothing) {
  struct Case {
    const char* inf;
    const char* printer;
  } cases[] = {
      {"[Manufacturer]\r\n\"Brevant\"\r\n[Brevant]\r\n\"Brevant TR-2210 Series PS\"=X,Y\r\n",
       "Brevant TR-2210 Series PS"},  // quotes of key and name differ
      {"[Manufacturer]\r\n\"Brevant\"\r\n[Brevant]\r\n\"Brevant TR-2210 Series PS\"=\r\n",
       kPrinter},  // empty value
      {"[Manufacturer]\r\n\"Brevant\"\r\n[Other]\r\n\"Brevant TR-2210 Series PS\"=X,Y\r\n",
       kPrinter},  // no model section
      {"[Manufacturer]\r\n[Brevant]\r\n\"Brevant TR-2210 Series PS\"=X,Y\r\n", kPrinter},
      {"[Brevant]\r\n\"Brevant TR-2210 Series PS\"=X,Y\r\n", kPrinter},
  };
  for (const auto& c : cases) {
    std::string inf = WriteKitFile("model.inf", c.inf);
    std::string ddi = "ddi";
    std::string pnp = "pnp";
    EXPECT_FALSE(GetDDISection(inf, c.printer, ddi, pnp)) << c.inf;
    EXPECT_EQ(ddi, "ddi");
    EXPECT_EQ(pnp, "pnp");
  }
  std::string ddi, pnp;
  EXPECT_FALSE(GetDDISection("C:\\kit\\missing.inf", kPrinter, ddi, pnp));
  EXPECT_NE(Trace().find("           GetDDISection Fail!!\n"), std::string::npos);
}

TEST_F(ModelLookupTest, MatchesLetterCaseFreelyAndTakesTheFirstLine) {
  std::string inf = WriteModelInf(
      "\"BREVANT tr-2210 series ps\" = FIRST,FIRSTPNPID\r\n"
      "\"Brevant TR-2210 Series PS\" = SECOND,SECONDPNPID\r\n");
  std::string ddi, pnp;
  ASSERT_TRUE(GetDDISection(inf, kPrinter, ddi, pnp));
  EXPECT_EQ(ddi, "FIRST");
  EXPECT_EQ(pnp, "FIRSTPNPID");
}

TEST_F(ModelLookupTest, CutsAnOverlongValueBeforeSplitting) {
  // The PnP ID starts beyond the 259th character of the value and is lost.
  std::string inf = WriteModelInf(std::string(kPrinter) + " = " + std::string(259, 'D') +
                                  ",LOSTPNPID\r\n");
  std::string ddi, pnp = "<kept>";
  ASSERT_TRUE(GetDDISection(inf, kPrinter, ddi, pnp));
  EXPECT_EQ(ddi, std::string(259, 'D'));
  EXPECT_EQ(pnp, "<kept>");
}

TEST_F(ModelLookupTest, TracesEachStepWithElevenBlanks) {
  std::string inf = WriteModelInf(std::string(kPrinter) + " = TR2210PS,BrevantTR-2210PS1\r\n");
  std::string ddi, pnp;
  ASSERT_TRUE(GetDDISection(inf, kPrinter, ddi, pnp));
  EXPECT_EQ(Trace(),
            "           MyGetProfileString(" + inf + ",Brevant," + kPrinter +
                ") = TR2210PS,BrevantTR-2210PS1\n"
                "           DDI Section Name = TR2210PS\n"
                "           PNP ID = BrevantTR-2210PS1\n");
}

}  // namespace
