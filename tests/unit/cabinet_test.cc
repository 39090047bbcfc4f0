// SetupIterateCabinetA on cabinets built by the tests: the callback's
// answers, targets that cannot be written, damaged data, decoding only what
// is asked for, cabinet sets, and injected faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/cab_builder.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

// Records every notification and answers through `answer`.
struct Script {
  std::function<UINT(UINT, UINT_PTR, UINT_PTR)> answer;
  std::vector<std::string> log;
};

UINT CALLBACK Dispatch(PVOID context, UINT code, UINT_PTR param1, UINT_PTR param2) {
  Script& script = *static_cast<Script*>(context);
  switch (code) {
    case SPFILENOTIFY_CABINETINFO:
      script.log.push_back(std::string("info:") +
                           reinterpret_cast<CABINET_INFO_A*>(param1)->CabinetFile);
      break;
    case SPFILENOTIFY_NEEDNEWCABINET:
      script.log.push_back(std::string("need:") +
                           reinterpret_cast<CABINET_INFO_A*>(param1)->CabinetFile);
      break;
    case SPFILENOTIFY_FILEINCABINET:
      script.log.push_back(std::string("file:") +
                           reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1)->NameInCabinet);
      break;
    case SPFILENOTIFY_FILEEXTRACTED:
      script.log.push_back(std::string("extracted:") +
                           reinterpret_cast<FILEPATHS_A*>(param1)->Target);
      break;
  }
  return script.answer ? script.answer(code, param1, param2) : NO_ERROR;
}

// Answers FILEINCABINET with `member_answer` after writing C:\out\<name>
// as the target; NO_ERROR to everything else.
std::function<UINT(UINT, UINT_PTR, UINT_PTR)> ExtractAll(UINT member_answer = FILEOP_DOIT) {
  return [member_answer](UINT code, UINT_PTR param1, UINT_PTR) -> UINT {
    if (code != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
    auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    std::snprintf(info->FullTargetName, MAX_PATH, "C:\\out\\%s", info->NameInCabinet);
    return member_answer;
  };
}

class CabinetTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(root_.DriveC("out")); }

  void WriteCab(const kit_test::CabBuilder& cab, const std::string& name = "cab/test.cab") {
    root_.WriteDriveC(name, cab.Build());
  }

  BOOL Iterate(Script* script, const char* cabinet = "C:\\cab\\test.cab") {
    SetLastError(0xDEADBEEF);
    BOOL ok = SetupIterateCabinetA(cabinet, 0, Dispatch, script);
    error_ = GetLastError();
    return ok;
  }

  std::string Out(const std::string& name) const {
    std::ifstream in(root_.DriveC("out/" + name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool OutExists(const std::string& name) const { return fs::exists(root_.DriveC("out/" + name)); }
  size_t OutCount() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(root_.DriveC("out")), fs::directory_iterator()));
  }

  kit_test::TempRoot root_;
  DWORD error_ = 0;
};

kit_test::CabBuilder TwoMembers() {
  kit_test::CabBuilder cab;
  cab.Add("a.txt", "first member").Add("b.txt", "second member");
  return cab;
}

TEST_F(CabinetTest, SkippingEveryMemberOffersEachOnceAndWritesNothing) {
  WriteCab(TwoMembers());
  Script script{ExtractAll(FILEOP_SKIP), {}};
  EXPECT_TRUE(Iterate(&script));
  EXPECT_EQ(error_, 0u);
  EXPECT_EQ(script.log, (std::vector<std::string>{"info:", "file:a.txt", "file:b.txt"}));
  EXPECT_EQ(OutCount(), 0u);
}

TEST_F(CabinetTest, ExtractsEachMemberAndReplacesAnOlderFile) {
  WriteCab(TwoMembers());
  root_.WriteDriveC("out/b.txt", "an older and longer file of that name");
  Script script{ExtractAll(), {}};
  EXPECT_TRUE(Iterate(&script));
  EXPECT_EQ(script.log, (std::vector<std::string>{"info:", "file:a.txt", "extracted:C:\\out\\a.txt",
                                                  "file:b.txt", "extracted:C:\\out\\b.txt"}));
  EXPECT_EQ(Out("a.txt"), "first member");
  EXPECT_EQ(Out("b.txt"), "second member");
  EXPECT_EQ(OutCount(), 2u);  // no temporary file left
}

TEST_F(CabinetTest, AbortStopsWithTheCallbacksErrorOrOperationAborted) {
  struct Case {
    DWORD set_by_callback;
    DWORD expected;
  };
  for (const Case& c :
       {Case{0, ERROR_OPERATION_ABORTED}, Case{ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED}}) {
    WriteCab(TwoMembers());
    Script script;
    script.answer = [&c](UINT code, UINT_PTR, UINT_PTR) -> UINT {
      if (code != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
      if (c.set_by_callback) SetLastError(c.set_by_callback);
      return FILEOP_ABORT;
    };
    EXPECT_FALSE(Iterate(&script));
    EXPECT_EQ(error_, c.expected);
    EXPECT_EQ(script.log, (std::vector<std::string>{"info:", "file:a.txt"}));
    EXPECT_EQ(OutCount(), 0u);
  }
}

TEST_F(CabinetTest, AnErrorAnswerToANotificationEndsTheWalk) {
  struct Case {
    UINT failing_code;
    std::vector<std::string> log;
    size_t files_left;
  };
  const Case cases[] = {
      {SPFILENOTIFY_CABINETINFO, {"info:"}, 0},
      {SPFILENOTIFY_FILEEXTRACTED, {"info:", "file:a.txt", "extracted:C:\\out\\a.txt"}, 1},
  };
  for (const Case& c : cases) {
    fs::remove_all(root_.DriveC("out"));
    fs::create_directories(root_.DriveC("out"));
    WriteCab(TwoMembers());
    auto extract = ExtractAll();
    Script script;
    script.answer = [&](UINT code, UINT_PTR p1, UINT_PTR p2) -> UINT {
      if (code == c.failing_code) return 1234;
      return extract(code, p1, p2);
    };
    EXPECT_FALSE(Iterate(&script));
    EXPECT_EQ(error_, 1234u);
    EXPECT_EQ(script.log, c.log);
    EXPECT_EQ(OutCount(), c.files_left);
  }
}

TEST_F(CabinetTest, MissingTargetDirectoryFailsWithPathNotFound) {
  WriteCab(TwoMembers());
  Script script;
  script.answer = [](UINT code, UINT_PTR p1, UINT_PTR) -> UINT {
    if (code != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
    std::snprintf(reinterpret_cast<FILE_IN_CABINET_INFO_A*>(p1)->FullTargetName, MAX_PATH,
                  "C:\\no such dir\\x.txt");
    return FILEOP_DOIT;
  };
  EXPECT_FALSE(Iterate(&script));
  EXPECT_EQ(error_, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(script.log, (std::vector<std::string>{"info:", "file:a.txt"}));
  EXPECT_FALSE(fs::exists(root_.DriveC("no such dir")));
}

TEST_F(CabinetTest, TargetsThatCannotBeCreatedFailTheWalk) {
  WriteCab(TwoMembers());
  fs::create_directories(root_.DriveC("out/a.txt"));  // a directory in the way
  root_.WriteDriveC("out/b.txt", "read-only");
  ASSERT_TRUE(SetFileAttributesA("C:\\out\\b.txt", FILE_ATTRIBUTE_READONLY));
  struct Case {
    const char* name;
    DWORD expected;
  };
  for (const Case& c : {Case{"a.txt", ERROR_ACCESS_DENIED}, Case{"b.txt", ERROR_ACCESS_DENIED},
                        Case{nullptr, ERROR_FILENAME_EXCED_RANGE}}) {
    Script script;
    script.answer = [&c](UINT code, UINT_PTR p1, UINT_PTR) -> UINT {
      if (code != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
      auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(p1);
      if (c.name) {
        std::snprintf(info->FullTargetName, MAX_PATH, "C:\\out\\%s", c.name);
      } else {
        memset(info->FullTargetName, 'x', MAX_PATH);  // no terminating NUL
      }
      return FILEOP_DOIT;
    };
    EXPECT_FALSE(Iterate(&script)) << (c.name ? c.name : "unterminated");
    EXPECT_EQ(error_, c.expected) << (c.name ? c.name : "unterminated");
  }
  EXPECT_EQ(Out("b.txt"), "read-only");
  EXPECT_EQ(OutCount(), 2u);
}

TEST_F(CabinetTest, DecodesOnlyTheFoldersAndBlocksOfTheMembersAskedFor) {
  // Folder 0 cannot be read at all; folder 1 holds a small member in its
  // first block and a large one whose second block cannot be read.
  kit_test::CabBuilder cab;
  int second = cab.AddFolder();
  cab.Add("broken.txt", "never read", 0).DamageBlock(0, 0);
  cab.Add("small.txt", "in the first block", second);
  cab.Add("large.bin", std::string(2 * kit_test::CabBuilder::kBlock, 'L'), second);
  cab.DamageBlock(second, 1);
  WriteCab(cab);

  auto extract = ExtractAll();
  auto only = [&](const std::string& wanted) {
    return [&extract, wanted](UINT code, UINT_PTR p1, UINT_PTR p2) -> UINT {
      if (code == SPFILENOTIFY_FILEINCABINET &&
          reinterpret_cast<FILE_IN_CABINET_INFO_A*>(p1)->NameInCabinet != wanted)
        return FILEOP_SKIP;
      return extract(code, p1, p2);
    };
  };
  Script small{only("small.txt"), {}};
  EXPECT_TRUE(Iterate(&small));
  EXPECT_EQ(Out("small.txt"), "in the first block");

  // Asking for a member of a damaged folder does fail, and leaves nothing.
  for (const char* damaged : {"broken.txt", "large.bin"}) {
    Script script{only(damaged), {}};
    EXPECT_FALSE(Iterate(&script)) << damaged;
    EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INVALID_DATA)) << damaged;
    EXPECT_FALSE(OutExists(damaged)) << damaged;
  }
  EXPECT_EQ(OutCount(), 1u);
}

TEST_F(CabinetTest, DamagedMemberLeavesTheOlderTargetUntouched) {
  kit_test::CabBuilder cab;
  cab.Add("data.bin", std::string(2 * kit_test::CabBuilder::kBlock, 'D')).DamageBlock(0, 1);
  WriteCab(cab);
  root_.WriteDriveC("out/data.bin", "previous version");
  Script script{ExtractAll(), {}};
  EXPECT_FALSE(Iterate(&script));
  EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(script.log, (std::vector<std::string>{"info:", "file:data.bin"}));
  EXPECT_EQ(Out("data.bin"), "previous version");
  EXPECT_EQ(OutCount(), 1u);
}

TEST_F(CabinetTest, FollowsLaterPartsOnlyByPlainNamesInTheSameDirectory) {
  kit_test::CabBuilder part2;
  part2.Add("second.txt", "from part two");
  WriteCab(part2, "cab/part2.cab");
  kit_test::CabBuilder outside;
  outside.Add("outside.txt", "must not be listed");
  WriteCab(outside, "other.cab");

  kit_test::CabBuilder first;
  first.Add("first.txt", "from part one").Next("part2.cab", "Disk 2");
  WriteCab(first);
  Script script{ExtractAll(), {}};
  EXPECT_TRUE(Iterate(&script));
  EXPECT_EQ(script.log,
            (std::vector<std::string>{"info:part2.cab", "file:first.txt",
                                      "extracted:C:\\out\\first.txt", "file:second.txt",
                                      "need:part2.cab", "info:", "extracted:C:\\out\\second.txt"}));
  EXPECT_EQ(Out("second.txt"), "from part two");

  kit_test::CabBuilder escaping;
  escaping.Add("first.txt", "from part one").Next("..\\other.cab", "Disk 2");
  WriteCab(escaping);
  Script listing{ExtractAll(FILEOP_SKIP), {}};
  EXPECT_TRUE(Iterate(&listing));
  EXPECT_EQ(listing.log, (std::vector<std::string>{"info:..\\other.cab", "file:first.txt"}));
}

TEST_F(CabinetTest, InjectedFaultsFailBeforeAnyNotification) {
  WriteCab(TwoMembers());
  root_.WriteSystemIni("[faults]\nSetupIterateCabinetA#2=1117\n");
  Script first{ExtractAll(FILEOP_SKIP), {}};
  EXPECT_TRUE(Iterate(&first));
  Script second{ExtractAll(FILEOP_SKIP), {}};
  EXPECT_FALSE(Iterate(&second));
  EXPECT_EQ(error_, 1117u);
  EXPECT_TRUE(second.log.empty());
}

TEST_F(CabinetTest, MissingArgumentsAreInvalidParameters) {
  WriteCab(TwoMembers());
  Script script;
  EXPECT_FALSE(Iterate(&script, nullptr));
  EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(SetupIterateCabinetA("C:\\cab\\test.cab", 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// The recorded five-part set: every member lies in one folder that runs
// through all five parts.
class CabinetSetTest : public CabinetTest {
 protected:
  void CopyParts(int count) {
    for (int i = 1; i <= count; ++i) {
      std::string name = "cabd_multi_basic_pt" + std::to_string(i) + ".cab";
      fs::copy_file(fs::path(KIT_CORPUS_DIR) / "cab" / "multi" / name, root_.DriveC("cab/" + name));
    }
  }
};

TEST_F(CabinetSetTest, AMissingPartEndsTheSetAndFailsTheMembersThatNeedIt) {
  fs::create_directories(root_.DriveC("cab"));
  CopyParts(2);
  Script listing{ExtractAll(FILEOP_SKIP), {}};
  EXPECT_TRUE(Iterate(&listing, "C:\\cab\\cabd_multi_basic_pt1.cab"));
  EXPECT_EQ(listing.log,
            (std::vector<std::string>{"info:cabd_multi_basic_pt2.cab", "file:test1.txt",
                                      "file:test2.txt", "file:test3.txt"}));
  Script script{ExtractAll(), {}};
  EXPECT_FALSE(Iterate(&script, "C:\\cab\\cabd_multi_basic_pt1.cab"));
  EXPECT_EQ(error_, static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(OutCount(), 0u);
}

TEST_F(CabinetSetTest, AnErrorAnswerToNeedNewCabinetEndsTheWalk) {
  fs::create_directories(root_.DriveC("cab"));
  CopyParts(5);
  auto extract = ExtractAll();
  Script script;
  script.answer = [&](UINT code, UINT_PTR p1, UINT_PTR p2) -> UINT {
    if (code == SPFILENOTIFY_NEEDNEWCABINET) return ERROR_FILE_NOT_FOUND;
    return extract(code, p1, p2);
  };
  EXPECT_FALSE(Iterate(&script, "C:\\cab\\cabd_multi_basic_pt1.cab"));
  EXPECT_EQ(error_, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(script.log, (std::vector<std::string>{"info:cabd_multi_basic_pt2.cab", "file:test1.txt",
                                                  "need:cabd_multi_basic_pt2.cab"}));
  EXPECT_EQ(OutCount(), 0u);
}

}  // namespace
