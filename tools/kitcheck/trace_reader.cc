#include "tools/kitcheck/trace_reader.h"

#include <cstring>

#include "common/text.h"

namespace kitcheck {
namespace {

// Trace lines that end a step, and the step they end.
struct StepFailure {
  const char* marker;
  const char* step;
};
constexpr StepFailure kFailures[] = {
    {"GetDDISection Fail!!", "model lookup"},
    {"[Quillset] Copy files Fail", "file copy"},
    {"[Quillset] Install printer Driver fail!!", "driver registration"},
    {"[Quillset] Install printer fail!!", "printer creation"},
};

bool StartsWith(const std::string& s, const char* prefix, std::string* rest) {
  size_t n = std::strlen(prefix);
  if (s.compare(0, n, prefix) != 0) return false;
  *rest = s.substr(n);
  return true;
}

bool EndsWith(std::string* s, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (s->size() < n || s->compare(s->size() - n, n, suffix) != 0) return false;
  s->resize(s->size() - n);
  return true;
}

// "SOURCE --> TARGET" into its two paths.
FileFate CopyLine(std::string text, const char* origin) {
  FileFate f;
  f.origin = origin;
  size_t arrow = text.find(" --> ");
  f.source = text.substr(0, arrow);
  f.target = arrow == std::string::npos ? "" : text.substr(arrow + 5);
  while (!f.target.empty() && f.target.back() == ' ') f.target.pop_back();
  f.name = kit::FileNamePart(f.target.empty() ? f.source : f.target);
  return f;
}

// A single file named with '@': copied from beside the INF or not at all.
void ReadSingleCopy(std::string rest, TraceFacts* t) {
  bool ok = EndsWith(&rest, " OK !!");
  if (!ok) EndsWith(&rest, " Fail !!");
  t->files.push_back(CopyLine(rest, ok ? "inf folder" : "nowhere"));
}

// A file-list entry: copied from beside the INF, else looked for in the cabinet.
void ReadSectionCopy(std::string rest, TraceFacts* t) {
  bool ok = EndsWith(&rest, " OK !!");
  if (!ok) EndsWith(&rest, "  File Not Found !!");
  t->files.push_back(CopyLine(rest, ok ? "inf folder" : "nowhere"));
}

// An extracted member: the missing entry of that name came from the cabinet;
// a member no entry names whole was taken for a name it occurs inside.
void ReadExtraction(const std::string& target, TraceFacts* t) {
  std::string name = kit::FileNamePart(target);
  for (FileFate& f : t->files) {
    if (f.origin == "nowhere" && kit::ToUpper(f.name) == name) {
      f.origin = "driver cabinet";
      f.target = target;
      return;
    }
  }
  FileFate extra;
  extra.name = name;
  extra.origin = "driver cabinet";
  extra.target = target;
  extra.substring_match = true;
  t->files.push_back(extra);
}

}  // namespace

TraceFacts ReadTrace(const std::string& text) {
  TraceFacts t;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? text.size() : end + 1;
    std::string rest;
    if (line == "[Quillset] SetupPrinter") t.ran = true;
    if (line == "[Quillset] SetupSignedPrinterOnWindowsXP") t.signed_path = true;
    if (StartsWith(line, "[Quillset] Command = ", &rest) && t.signed_path) t.printui_command = rest;
    if (StartsWith(line, "[Quillset] Active Port = ", &rest)) t.active_port = rest;
    if (StartsWith(line, "[Quillset] Copy File ", &rest) && rest.compare(0, 9, "Section (") != 0)
      ReadSingleCopy(rest, &t);
    if (StartsWith(line, "[Quillset] Copy file ", &rest)) ReadSectionCopy(rest, &t);
    if (EndsWith(&line, " Extracted") && StartsWith(line, "[Quillset] ", &rest)) ReadExtraction(rest, &t);
    for (const StepFailure& f : kFailures) {
      if (t.failed_step.empty() && line.find(f.marker) != std::string::npos) t.failed_step = f.step;
    }
  }
  return t;
}

}  // namespace kitcheck
