// Replays the recorded results of the Win32 profile functions on real
// printer INFs (corpus/oracle/<inf>.jsonl) through our GetPrivateProfileSectionA
// and GetPrivateProfileStringA, reading the corpus INF through the Z: drive,
// and compares the result and every byte written.
#include <gtest/gtest.h>

#include "support/printable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/json_line.h"
#include "support/temp_root.h"

namespace {

constexpr unsigned char kPoison = 0xCC;
constexpr size_t kGuard = 64;  // bytes past the buffer that must stay untouched

std::string CorpusDir() { return std::filesystem::weakly_canonical(KIT_CORPUS_DIR).string(); }

// The INF stems that have an oracle file (cab-* files are the cabinets').
std::vector<std::string> OracleStems() {
  std::vector<std::string> stems;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(CorpusDir() + "/oracle", ec)) {
    std::string name = e.path().filename().string();
    if (e.path().extension() == ".jsonl" && name.rfind("cab-", 0) != 0) stems.push_back(e.path().stem().string());
  }
  std::sort(stems.begin(), stems.end());
  return stems;
}

std::vector<kit_test::JsonLine> ReadOracle(const std::string& stem) {
  std::vector<kit_test::JsonLine> lines;
  std::ifstream in(CorpusDir() + "/oracle/" + stem + ".jsonl", std::ios::binary);
  std::string text;
  while (std::getline(in, text)) {
    kit_test::JsonLine line;
    if (kit_test::ParseJsonLine(text, &line)) lines.push_back(std::move(line));
  }
  return lines;
}

// Z:\ is the host's root, so a host path becomes a Windows path by turning
// its slashes around.
std::string WindowsPathOf(const std::string& host_path) {
  std::string p = "Z:" + host_path;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

using kit_test::Printable;

// Runs one recorded query; returns a description of the difference, or "".
std::string Replay(const kit_test::JsonLine& q, const std::string& inf) {
  const DWORD size = static_cast<DWORD>(q.Num("size"));
  std::vector<char> buffer(size + kGuard, static_cast<char>(kPoison));
  const std::string section = q.Str("section");
  DWORD count = 0;
  if (q.Str("op") == "section") {
    count = GetPrivateProfileSectionA(section.c_str(), buffer.data(), size, inf.c_str());
  } else {
    const std::string key = q.Str("key");
    count = GetPrivateProfileStringA(section.c_str(), q.IsNull("key") ? nullptr : key.c_str(), "",
                                     buffer.data(), size, inf.c_str());
  }
  // The oracle records what the call wrote: for a section read everything
  // up to the last NUL, for a key read the text and its NUL.
  std::string expected = q.Str("value");
  if (q.Str("op") == "string") expected.push_back('\0');
  std::string got(buffer.data(), expected.size() <= buffer.size() ? expected.size() : buffer.size());
  std::string where = q.Str("op") + " [" + Printable(section) + "] key=" +
                      (q.IsNull("key") ? std::string("null") : Printable(q.Str("key"))) +
                      " size=" + std::to_string(size) + ": ";
  if (count != static_cast<DWORD>(q.Num("count"))) {
    return where + "returned " + std::to_string(count) + ", recorded " + std::to_string(q.Num("count"));
  }
  if (got != expected) return where + "wrote \"" + Printable(got) + "\", recorded \"" + Printable(expected) + "\"";
  for (size_t i = expected.size(); i < buffer.size(); ++i) {
    if (static_cast<unsigned char>(buffer[i]) != kPoison) {
      return where + "byte " + std::to_string(i) + (i >= size ? " past the buffer" : " after the result") + " written";
    }
  }
  return "";
}

class ProfileCorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ProfileCorpusTest, MatchesRecordedResults) {
  kit_test::TempRoot root;
  const std::vector<kit_test::JsonLine> oracle = ReadOracle(GetParam());
  ASSERT_FALSE(oracle.empty());
  ASSERT_EQ(oracle[0].Str("op"), "meta");
  ASSERT_EQ(oracle[0].Num("acp"), 1252);  // the default code page of a fresh root
  const std::string inf = WindowsPathOf(CorpusDir() + "/" + oracle[0].Str("file"));

  int queries = 0;
  std::vector<std::string> differences;
  for (const kit_test::JsonLine& q : oracle) {
    const std::string op = q.Str("op");
    if (op != "meta") ++queries;  // the recorded count includes the names query
    if (op != "section" && op != "string") continue;
    std::string diff = Replay(q, inf);
    if (!diff.empty()) differences.push_back(diff);
  }
  EXPECT_EQ(queries, oracle[0].Num("queries"));
  for (size_t i = 0; i < differences.size() && i < 25; ++i) ADD_FAILURE() << differences[i];
  EXPECT_EQ(differences.size(), 0u) << "of " << queries << " recorded queries differ";
}

INSTANTIATE_TEST_SUITE_P(Inf, ProfileCorpusTest, ::testing::ValuesIn(OracleStems()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
