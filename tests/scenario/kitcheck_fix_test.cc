// kitcheck's fixes are right: on every kit under tests/kits, the example kit
// and the real INFs of the corpus (with stand-in driver files), applying the
// edits of a finding's fix removes that finding, and the exit status is 0
// exactly where the install and uninstall work. Also the exit status options
// and kit files that are no regular files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "support/json_line.h"
#include "support/json_objects.h"

namespace kit_test {
namespace {

namespace fs = std::filesystem;

std::string CorpusDir() { return std::string(KIT_SOURCE_DIR) + "/../shared/corpus/inf"; }

JsonLine Parse(const std::string& raw) {
  JsonLine o;
  EXPECT_TRUE(ParseJsonLine(raw, &o)) << raw;
  return o;
}

std::string HostPath(const std::string& windows) {
  std::string host = windows.substr(2);
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

// An INF as lines of 8-bit text, and back in its own encoding (the corpus
// holds UTF-16LE files, whose text here is ASCII).
struct InfText {
  bool utf16 = false;
  std::vector<std::string> lines;
};

InfText ReadInf(const std::string& path) {
  std::string bytes = SimSystem::ReadFile(path), text;
  InfText inf;
  inf.utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (inf.utf16)
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i];
  else
    text = bytes;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      inf.lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) inf.lines.push_back(line);
  return inf;
}

void WriteInf(const std::string& path, const InfText& inf) {
  std::string text, bytes;
  for (const std::string& l : inf.lines) text += l + "\r\n";
  if (inf.utf16) {
    bytes = "\xFF\xFE";
    for (char c : text) bytes += std::string{c, '\0'};
  } else {
    bytes = text;
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  out.push_back(text.substr(start));
  return out;
}

// Applies one finding's edits: line edits from the bottom up, so that the
// numbers of the unchanged file stay right, then the file edits.
void ApplyFix(const JsonLine& finding) {
  std::vector<JsonLine> edits = ParsedObjects(finding.Raw("edits"));
  std::stable_sort(edits.begin(), edits.end(), [](const JsonLine& a, const JsonLine& b) {
    long long la = a.Num("line") ? a.Num("line") : 1 << 30, lb = b.Num("line") ? b.Num("line") : 1 << 30;
    return la > lb;
  });
  for (const JsonLine& e : edits) {
    std::string action = e.Str("action"), path = HostPath(e.Str("file"));
    if (action == "rename") {
      fs::rename(path, fs::path(path).parent_path() / e.Str("text"));
      continue;
    }
    if (action == "regular") {
      fs::remove(path);
      std::ofstream(path, std::ios::binary) << "stand-in";
      continue;
    }
    InfText inf = ReadInf(path);
    size_t at = e.Num("line") ? static_cast<size_t>(e.Num("line")) - 1 : inf.lines.size();
    ASSERT_LE(at, inf.lines.size()) << finding.Str("id");
    std::vector<std::string> text = SplitLines(e.Str("text"));
    if (action == "replace" || action == "delete") inf.lines.erase(inf.lines.begin() + at);
    if (action == "replace" || action == "insert") inf.lines.insert(inf.lines.begin() + at, text.begin(), text.end());
    WriteInf(path, inf);
  }
}

struct Kit {
  std::string name, inf, printer, mdl;
  bool example_files = true;  // the example cabinet and port records
};

class KitRun {
 public:
  explicit KitRun(const Kit& kit) : kit_(kit) {}

  // kitcheck --json on 2000 and XP; the parsed report, the exit status checked
  // against the verdicts it reports.
  JsonLine Check(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> words = {"--json", "--version", "2000,xp", "--inf", kit_.inf, "--printer",
                                      kit_.printer, "--mdl", kit_.mdl};
    if (kit_.example_files)
      words.insert(words.end(), {"--cab", SimSystem::KitFile("driver.cab"), "--ports", SimSystem::KitFile("ports.reg")});
    words.insert(words.end(), extra.begin(), extra.end());
    RunResult r = sim_.RunWords("kitcheck", words);
    JsonLine report = Parse(r.out);
    bool works = true;
    for (const JsonLine& v : ParsedObjects(report.Raw("versions"))) {
      JsonLine u = Parse(v.Raw("uninstall"));
      bool clean = u.Str("printer") != "left" && u.Str("driver") != "left" && u.Str("record") != "left" &&
                   u.Raw("inf_copy_removed") == "true";
      works &= v.Raw("installed") == "true" && clean;
    }
    EXPECT_EQ(r.exit_code, works ? 0 : 1) << kit_.name << "\n" << r.out;
    return report;
  }

 private:
  Kit kit_;
  SimSystem sim_;
};

std::vector<JsonLine> Findings(const JsonLine& report) {
  std::vector<JsonLine> out;
  for (const JsonLine& v : ParsedObjects(report.Raw("versions")))
    for (const JsonLine& f : ParsedObjects(v.Raw("findings"))) out.push_back(f);
  return out;
}

size_t CountOf(const std::vector<JsonLine>& findings, const std::string& id) {
  return std::count_if(findings.begin(), findings.end(), [&](const JsonLine& f) { return f.Str("id") == id; });
}

// Applies the first fix that has edits, again and again, and checks that each
// one takes its finding away. Returns the ids fixed; `last` gets the report
// after the last fix.
std::set<std::string> FixAll(const Kit& kit, JsonLine* last = nullptr) {
  std::set<std::string> fixed;
  KitRun run(kit);
  for (int round = 0; round < 12; ++round) {
    JsonLine report = run.Check();
    if (last) *last = report;
    std::vector<JsonLine> findings = Findings(report);
    auto with_edits = std::find_if(findings.begin(), findings.end(),
                                   [](const JsonLine& f) { return f.Raw("edits") != "[]"; });
    if (with_edits == findings.end()) return fixed;
    JsonLine finding = *with_edits;
    EXPECT_FALSE(finding.Str("file").empty()) << finding.Str("id");
    ApplyFix(finding);
    std::vector<JsonLine> after = Findings(run.Check());
    EXPECT_LT(CountOf(after, finding.Str("id")), CountOf(findings, finding.Str("id")))
        << kit.name << ": the fix of " << finding.Str("id") << " (" << finding.Str("hint") << ") left it";
    fixed.insert(finding.Str("id"));
  }
  ADD_FAILURE() << kit.name << ": fixes do not converge";
  return fixed;
}

// A private copy of a kit folder.
std::string CopyKit(const std::string& from, const SimSystem& scratch) {
  std::string to = scratch.root() + "/kit";
  fs::copy(from, to, fs::copy_options::recursive);
  return to;
}

// The first model line's key of an INF's text, outside [Manufacturer].
std::string FirstModel(const InfText& inf) {
  bool manufacturer = false;
  for (const std::string& l : inf.lines) {
    if (!l.empty() && l[0] == '[') manufacturer = l.rfind("[Manufacturer]", 0) == 0;
    if (!manufacturer && l.size() > 1 && l[0] == '"') return l.substr(1, l.find('"', 1) - 1);
  }
  return "";
}

// Stand-in driver files for every file name the INF mentions.
void MakeStandIns(const std::string& dir, const InfText& inf) {
  static const std::regex file_name(R"(([A-Za-z0-9_\-]+\.(dll|ppd|gpd|ini|hlp|ntf|xml|gdl|bud|icm|chm|exe|ps|txt|cat|xsd|icc|bmp)))",
                                    std::regex::icase);
  for (const std::string& l : inf.lines)
    for (std::sregex_iterator it(l.begin(), l.end(), file_name), end; it != end; ++it)
      std::ofstream(dir + "/" + it->str(1), std::ios::binary) << "stand-in " << it->str(1);
}

// A kit folder in `scratch` made of a corpus INF (as setup.inf) and its
// stand-in files; the INF's text.
InfText CorpusKit(const std::string& inf_path, const SimSystem& scratch, std::string* dir) {
  *dir = scratch.root() + "/kit";
  fs::create_directories(*dir);
  InfText inf = ReadInf(inf_path);
  MakeStandIns(*dir, inf);
  WriteInf(*dir + "/setup.inf", inf);
  return inf;
}

TEST(KitcheckFixes, EachFixRemovesItsFindingOnTheTestKits) {
  std::set<std::string> fixed;
  for (const auto& e : fs::directory_iterator(std::string(KIT_SOURCE_DIR) + "/tests/kits")) {
    std::string name = e.path().filename().string();
    if (fs::exists(e.path() / "kit.txt") && SimSystem::ReadFile((e.path() / "kit.txt").string()).find("preinstall") != std::string::npos)
      continue;  // a kit checked in a prepared root
    SimSystem scratch;
    std::string dir = CopyKit(e.path().string(), scratch);
    JsonLine last;
    std::set<std::string> ids = FixAll({name, dir + "/setup.inf", "Brevant Test Printer", "TR-2210"}, &last);
    fixed.insert(ids.begin(), ids.end());
    // A kit whose every finding had a fix installs once they are applied:
    // each of these kits is broken by its findings alone.
    if (!ids.empty() && Findings(last).empty()) {
      EXPECT_EQ(ParsedObjects(last.Raw("versions"))[0].Raw("installed"), "true") << name << " after fixing " << *ids.begin();
    }
  }
  // The kits that carry these mistakes are fixed by edits alone.
  for (const char* id : {"K001", "K002", "K005", "K016", "K017", "K018", "K019"}) EXPECT_TRUE(fixed.count(id)) << id;
}

// The corpus INFs are real kits for other systems: each gets its stand-in
// files, and every fix kitcheck offers must hold on it.
TEST(KitcheckFixes, EachFixRemovesItsFindingOnTheCorpus) {
  std::set<std::string> fixed;
  for (const auto& e : fs::directory_iterator(CorpusDir())) {
    SimSystem scratch;
    std::string dir;
    InfText inf = CorpusKit(e.path().string(), scratch, &dir);
    std::string printer = FirstModel(inf);
    ASSERT_FALSE(printer.empty()) << e.path();
    for (const std::string& id : FixAll({e.path().filename().string(), dir + "/setup.inf", printer, "X"}))
      fixed.insert(id);
  }
  // Every corpus INF writes its manufacturer as "name"=section,decorations.
  EXPECT_TRUE(fixed.count("K002"));
}

// The example kit installs once the decorated form is the second
// [Manufacturer] line after K002's fix: the fix promises a working install.
TEST(KitcheckFixes, TheManufacturerFixMakesTheKitInstall) {
  SimSystem scratch;
  std::string dir = CopyKit(std::string(KIT_SOURCE_DIR) + "/tests/kits/manufacturer-with-equals", scratch);
  Kit kit{"manufacturer-with-equals", dir + "/setup.inf", "Brevant Test Printer", "TR-2210"};
  KitRun run(kit);
  JsonLine before = run.Check();
  std::vector<JsonLine> findings = Findings(before);
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings[0].Str("id"), "K002");
  EXPECT_EQ(findings[0].Str("file"), ZPath(dir + "/setup.inf"));
  ApplyFix(findings[0]);
  JsonLine after = run.Check();
  EXPECT_TRUE(Findings(after).empty()) << after.Raw("versions");
  std::vector<JsonLine> versions = ParsedObjects(after.Raw("versions"));
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(versions[0].Raw("installed"), "true") << "Windows 2000 reads the undecorated line";
}

// A model section that exists only decorated: K002 says so and adds the
// undecorated section with the model line.
TEST(KitcheckFixes, TheManufacturerFixNamesTheDecoratedSectionFromTheRightSide) {
  SimSystem scratch;
  std::string dir = CopyKit(std::string(KIT_SOURCE_DIR) + "/tests/kits/clean", scratch);
  InfText inf = ReadInf(dir + "/setup.inf");
  for (std::string& l : inf.lines) {
    if (l == "[Manufacturer]") l = "[Manufacturer]\n\"%FAB%\"=Brevant,NTx86.5.1";
    else if (l == "Brevant" || l == "\"Brevant\"") l = "";
    else if (l == "[Brevant]") l = "[Brevant.NTx86.5.1]";
  }
  inf.lines.push_back("[Strings]");
  inf.lines.push_back("FAB=\"Brevant Inc\"");
  WriteInf(dir + "/setup.inf", inf);
  KitRun run({"decorated", dir + "/setup.inf", "Brevant Test Printer", "TR-2210"});
  std::vector<JsonLine> findings = Findings(run.Check());
  ASSERT_FALSE(findings.empty());
  const JsonLine& k002 = findings[0];
  EXPECT_EQ(k002.Str("id"), "K002");
  EXPECT_NE(k002.Str("message").find("only in the decorated section [Brevant.NTx86.5.1]"), std::string::npos)
      << k002.Str("message");
  EXPECT_NE(k002.Str("hint").find("insert the line Brevant "), std::string::npos) << k002.Str("hint");
  EXPECT_EQ(k002.Str("hint").find("\"\""), std::string::npos) << "no doubled quotes";
  ApplyFix(k002);
  JsonLine after = run.Check();
  EXPECT_EQ(CountOf(Findings(after), "K002"), 0u);
  EXPECT_EQ(ParsedObjects(after.Raw("versions"))[0].Raw("installed"), "true");
}

// Validates a SARIF log against the published 2.1.0 schema (committed under
// tests/data) and checks that every result names a rule, an INF and a line;
// parses the JUnit XML and checks one test case per version, a failure
// exactly where the JSON report says the version fails.
const char kValidateReports[] = R"(
import json, sys, xml.etree.ElementTree as ET
import jsonschema
schema_path, sarif_path, junit_path, json_path = sys.argv[1:5]
schema = json.load(open(schema_path))
log = json.load(open(sarif_path))
jsonschema.Draft4Validator(schema).validate(log)
report = json.load(open(json_path))
findings = {(f['id'], f['line']) for v in report['versions'] for f in v['findings']}
results = log['runs'][0]['results']
assert {(r['ruleId'], r['locations'][0]['physicalLocation'].get('region', {}).get('startLine', 0)) for r in results} == findings
for r in results:
    assert r['locations'][0]['physicalLocation']['artifactLocation']['uri'].endswith('setup.inf'), r
    assert 'Fix: ' in r['message']['text'], r
suite = ET.parse(junit_path).getroot().find('testsuite')
cases = suite.findall('testcase')
assert [c.get('name') for c in cases] == ['Windows ' + v['version'] for v in report['versions']]
for c, v in zip(cases, report['versions']):
    failure = c.find('failure')
    assert (failure is None) == v['passed'], (c.get('name'), v['failure'])
    assert failure is None or failure.get('message') == v['failure']
print('valid')
)";

TEST(KitcheckReports, JUnitAndSarifOfTheCorpusValidate) {
  for (const auto& e : fs::directory_iterator(CorpusDir())) {
    SimSystem scratch;
    std::string dir;
    InfText inf = CorpusKit(e.path().string(), scratch, &dir);
    std::string out = scratch.root() + "/out";
    RunResult r = scratch.RunWords("kitcheck", {"--json", "--version", "2000,xp", "--inf", dir + "/setup.inf",
                                                "--printer", FirstModel(inf), "--mdl", "X", "--junit", out + ".xml",
                                                "--sarif", out + ".sarif"});
    std::ofstream(out + ".json") << r.out;
    std::ofstream(out + ".py") << kValidateReports;
    std::string command = "python3 " + ShellWord(out + ".py") + " " +
                          ShellWord(std::string(KIT_SOURCE_DIR) + "/tests/data/sarif-2.1.0-rtm.5.json") + " " +
                          ShellWord(out + ".sarif") + " " + ShellWord(out + ".xml") + " " + ShellWord(out + ".json") + " 2>&1";
    std::string said;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char chunk[4096];
      for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) said.append(chunk, n);
      pclose(pipe);
    }
    EXPECT_EQ(said, "valid\n") << e.path().filename() << "\n" << SimSystem::ReadFile(out + ".sarif");
  }
}

// A FIFO among the kit's files (or as the INF) ends neither kitcheck nor the
// installer's copy in a wait: the copy is refused, and K021 says which file;
// its fix, a regular file in its place, takes the finding away.
TEST(KitcheckFixes, AFifoInTheKitIsRefusedAndNamed) {
  SimSystem scratch;
  std::string dir = CopyKit(std::string(KIT_SOURCE_DIR) + "/tests/kits/clean", scratch);
  fs::remove(dir + "/KITUI.DLL");
  ASSERT_EQ(mkfifo((dir + "/KITUI.DLL").c_str(), 0644), 0);
  RunResult real = scratch.Run("quillset", ShellWord(InstallLine(dir + "/setup.inf", "Brevant Test Printer")),
                               false, "timeout 60");
  EXPECT_NE(real.exit_code, 124) << "the installer waited on the FIFO";
  Kit kit{"fifo", dir + "/setup.inf", "Brevant Test Printer", "TR-2210"};
  std::vector<JsonLine> findings = Findings(KitRun(kit).Check());
  ASSERT_EQ(CountOf(findings, "K021"), 2u) << "one per version checked";
  EXPECT_NE(findings[0].Str("message").find("KITUI.DLL is not a regular file (a FIFO)"), std::string::npos)
      << findings[0].Str("message");
  EXPECT_EQ(FixAll(kit), std::set<std::string>{"K021"});

  std::string fifo_inf = scratch.root() + "/fifo.inf";
  ASSERT_EQ(mkfifo(fifo_inf.c_str(), 0644), 0);
  RunResult r = scratch.RunWords("kitcheck", {"--json", "--inf", fifo_inf, "--printer", "P", "--mdl", "M"}, false,
                                 "timeout 60");
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_NE(r.out.find("\"K021\""), std::string::npos) << r.out;
}

// A '/' in the printer name ends the value on the command line: K020 says so
// and its fix, the same name without '/', in /PRINTER and the model line,
// makes the kit install.
TEST(KitcheckFixes, ASlashInThePrinterNameIsExplained) {
  SimSystem scratch;
  std::string dir = CopyKit(std::string(KIT_SOURCE_DIR) + "/tests/kits/clean", scratch);
  InfText inf = ReadInf(dir + "/setup.inf");
  for (std::string& l : inf.lines)
    if (l.rfind("\"Brevant Test Printer\"", 0) == 0) l = "\"TR-2210/2220 PS\" = TESTPS, BrevantTEST0001";
  WriteInf(dir + "/setup.inf", inf);
  Kit kit{"slash", dir + "/setup.inf", "TR-2210/2220 PS", "TR-2210"};
  std::vector<JsonLine> findings = Findings(KitRun(kit).Check());
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings[0].Str("id"), "K020");
  EXPECT_NE(findings[0].Str("message").find("holds '/'"), std::string::npos) << findings[0].Str("message");
  ApplyFix(findings[0]);
  kit.printer = "TR-2210-2220 PS";
  JsonLine after = KitRun(kit).Check();
  EXPECT_EQ(CountOf(Findings(after), "K020"), 0u);
  EXPECT_EQ(ParsedObjects(after.Raw("versions"))[0].Raw("installed"), "true");
  // The model list the same way: the command line hands on "TR-2210".
  kit.mdl = "TR-2210/2220";
  std::vector<JsonLine> models = Findings(KitRun(kit).Check());
  ASSERT_EQ(CountOf(models, "K020"), 2u) << "one per version checked";
  EXPECT_NE(models[0].Str("message").find("the model list \"TR-2210/2220\" holds '/'"), std::string::npos)
      << models[0].Str("message");
}

// Exit status: a warning does not fail a kit that installs, unless --strict;
// a kitcheck option after -- is refused, not passed on to the installer.
TEST(KitcheckTool, ExitStatusFollowsTheInstallAndStrictFailsFindings) {
  SimSystem sim;
  std::string inf = std::string(KIT_SOURCE_DIR) + "/tests/kits/short-pnp-id/setup.inf";
  std::vector<std::string> words = {"--inf", inf, "--printer", "Brevant Test Printer", "--mdl", "TR-2210",
                                    "--cab", SimSystem::KitFile("driver.cab"), "--ports", SimSystem::KitFile("ports.reg")};
  EXPECT_EQ(sim.RunWords("kitcheck", words).exit_code, 0);
  words.push_back("--strict");
  RunResult strict = sim.RunWords("kitcheck", words);
  EXPECT_EQ(strict.exit_code, 1);
  EXPECT_NE(strict.out.find("result: fail: 1 finding(s), first K008"), std::string::npos) << strict.out;
  // An error finding on a kit that installs all the same: a second CopyFiles
  // line, which the installer never reads, naming files the driver can do without.
  std::string dir = CopyKit(std::string(KIT_SOURCE_DIR) + "/tests/kits/clean", sim);
  InfText extra = ReadInf(dir + "/setup.inf");
  for (std::string& l : extra.lines)
    if (l.rfind("CopyFiles=", 0) == 0) l += "\nCopyFiles=@TEST.PPD";
  WriteInf(dir + "/setup.inf", extra);
  words[1] = dir + "/setup.inf";
  words.pop_back();
  RunResult advice = sim.RunWords("kitcheck", words);
  EXPECT_EQ(advice.exit_code, 0) << advice.out;
  EXPECT_NE(advice.out.find("K016 error"), std::string::npos) << advice.out;
  RunResult late = sim.RunWords("kitcheck", {"--", InstallLine(inf, "Brevant Test Printer"), "--json"}, true);
  EXPECT_EQ(late.exit_code, 2);
  EXPECT_NE(late.out.find("'--json' comes after --"), std::string::npos) << late.out;
}

}  // namespace
}  // namespace kit_test
