// OpenURL hands its address to the shell's "open" action.
#include <gtest/gtest.h>

#include <string>

#include "ombrel_test_support.h"
#include "utility/exports.h"

namespace {

using ombrel_test::OmbrelSystem;

TEST(OmbrelOpenUrl, AcceptedAddressIsOpenedNormally) {
  OmbrelSystem sys;
  EXPECT_EQ(OpenURL(0, 0, "http://www.example.com/drivers"), 1);
  auto opened = sys.EventsOf("ShellExecute");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].Str("verb"), "open");
  EXPECT_EQ(opened[0].Str("file"), "http://www.example.com/drivers");
  EXPECT_TRUE(opened[0].IsNull("parameters"));
  EXPECT_TRUE(opened[0].IsNull("directory"));
  EXPECT_EQ(opened[0].Num("show"), SW_SHOWNORMAL);
  EXPECT_TRUE(sys.BoxCaptions().empty());
}

TEST(OmbrelOpenUrl, AnAddressLongerThanAPathReachesTheShellWhole) {
  // Addresses are not paths: the export keeps no copy of its own, so one of
  // 1,000 characters reaches the shell as it was given.
  OmbrelSystem sys;
  const std::string address = "http://www.example.com/drivers?q=" + std::string(967, 'x');
  EXPECT_EQ(OpenURL(0, 0, address.c_str()), 1);
  auto opened = sys.EventsOf("ShellExecute");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].Str("file"), address);
}

TEST(OmbrelOpenUrl, AddressNoProgramHandlesShowsTheBox) {
  OmbrelSystem sys;
  EXPECT_EQ(OpenURL(0, 0, "nohandler:printer-help"), 0);
  auto boxes = sys.EventsOf("MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Str("caption"), "Ombrel.Dll");
  EXPECT_EQ(boxes[0].Num("style"), MB_OK | MB_ICONWARNING);
  EXPECT_NE(boxes[0].Str("text").find("No application is associated"), std::string::npos);
}

TEST(OmbrelOpenUrl, NullAddressIsRefusedUnopened) {
  OmbrelSystem sys;
  EXPECT_EQ(OpenURL(0, 0, nullptr), 0);
  EXPECT_TRUE(sys.Events().empty());
}

}  // namespace
