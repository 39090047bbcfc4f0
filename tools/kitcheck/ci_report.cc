#include "tools/kitcheck/ci_report.h"

#include <unistd.h>

#include <climits>
#include <string>

#include "common/text.h"
#include "platform/winsim/winsim.h"

namespace kitcheck {
namespace {

using winsim::JsonString;

std::string Xml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\n': out += "&#10;"; break;
      default:
        // XML 1.0 allows no other control characters, not even escaped.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

std::string FindingLine(const Finding& f) {
  return f.id + " " + f.severity + " " + kit::FileNamePart(f.file) +
         (f.line ? " line " + std::to_string(f.line) : "") + ": " + f.message + "\n  fix: " + f.hint + "\n";
}

// The host path of a Windows path on the host drive Z:, else "".
std::string HostPathOf(const std::string& windows) {
  if (windows.size() < 3 || (windows[0] != 'Z' && windows[0] != 'z') || windows[1] != ':') return "";
  std::string host = windows.substr(2);
  for (char& c : host)
    if (c == '\\') c = '/';
  return host;
}

// RFC 3986: everything but unreserved characters and '/' percent-encoded.
std::string UriPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string WorkingDirectory() {
  char cwd[PATH_MAX];
  std::string dir = getcwd(cwd, sizeof cwd) ? cwd : "";
  return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

// An artifactLocation: relative to %SRCROOT% (the working directory) where
// the file lies below it, as code hosts expect, else an absolute URI.
std::string ArtifactLocation(const std::string& windows_path) {
  std::string host = HostPathOf(windows_path), root = WorkingDirectory();
  if (!host.empty() && !root.empty() && host.compare(0, root.size(), root) == 0)
    return "{\"uri\":" + JsonString(UriPath(host.substr(root.size()))) + ",\"uriBaseId\":\"%SRCROOT%\"}";
  if (!host.empty()) return "{\"uri\":" + JsonString("file://" + UriPath(host)) + "}";
  std::string path = windows_path;
  for (char& c : path)
    if (c == '\\') c = '/';
  return "{\"uri\":" + JsonString(UriPath(path)) + "}";
}

struct SarifResult {
  const Finding* finding;
  std::vector<std::string> versions;
};

bool SameFinding(const Finding& a, const Finding& b) {
  return a.id == b.id && a.file == b.file && a.line == b.line && a.message == b.message;
}

std::string SarifResultJson(const SarifResult& r) {
  const Finding& f = *r.finding;
  std::string location = "{\"physicalLocation\":{\"artifactLocation\":" + ArtifactLocation(f.file);
  if (f.line > 0) location += ",\"region\":{\"startLine\":" + std::to_string(f.line) + "}";
  location += "}}";
  std::string versions;
  for (const std::string& v : r.versions) versions += std::string(versions.empty() ? "" : ",") + JsonString(v);
  return "{\"ruleId\":" + JsonString(f.id) + ",\"level\":" + JsonString(f.severity == "error" ? "error" : "warning") +
         ",\"message\":{\"text\":" + JsonString(f.message + ". Fix: " + f.hint) + "},\"locations\":[" + location +
         "],\"properties\":{\"windowsVersions\":[" + versions + "]}}";
}

}  // namespace

void PrintJUnit(std::FILE* out, const Options& o, const std::vector<VersionCheck>& checks) {
  int failures = 0;
  for (const VersionCheck& c : checks) failures += Passed(c, o.strict) ? 0 : 1;
  std::string suite = "kitcheck " + o.inf_path + " (" + o.printer_name + ")";
  std::fprintf(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  std::fprintf(out, "<testsuites name=\"kitcheck\" tests=\"%zu\" failures=\"%d\">\n", checks.size(), failures);
  std::fprintf(out, "  <testsuite name=\"%s\" tests=\"%zu\" failures=\"%d\" errors=\"0\">\n", Xml(suite).c_str(),
               checks.size(), failures);
  for (const VersionCheck& c : checks) {
    std::fprintf(out, "    <testcase classname=\"kitcheck\" name=\"%s\" time=\"%.3f\">\n",
                 Xml("Windows " + c.version).c_str(), c.seconds);
    std::string failure = Failure(c, o.strict), details;
    for (const Finding& f : c.findings) details += FindingLine(f);
    if (!failure.empty())
      std::fprintf(out, "      <failure message=\"%s\" type=\"%s\">%s</failure>\n", Xml(failure).c_str(),
                   c.error.empty() ? (c.installed ? "uninstall" : "install") : "check", Xml(details).c_str());
    else if (!details.empty())
      std::fprintf(out, "      <system-out>%s</system-out>\n", Xml(details).c_str());
    std::fprintf(out, "    </testcase>\n");
  }
  std::fprintf(out, "  </testsuite>\n</testsuites>\n");
}

void PrintSarif(std::FILE* out, const std::vector<VersionCheck>& checks) {
  std::vector<SarifResult> results;
  for (const VersionCheck& c : checks) {
    for (const Finding& f : c.findings) {
      SarifResult* same = nullptr;
      for (SarifResult& r : results)
        if (SameFinding(*r.finding, f)) same = &r;
      if (same == nullptr) same = &results.emplace_back(SarifResult{&f, {}});
      same->versions.push_back(c.version);
    }
  }
  std::string body;
  for (const SarifResult& r : results) body += std::string(body.empty() ? "" : ",") + SarifResultJson(r);
  std::string root = WorkingDirectory();
  std::fprintf(out,
               "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\","
               "\"runs\":[{\"tool\":{\"driver\":{\"name\":\"kitcheck\"}},"
               "\"originalUriBaseIds\":{\"%%SRCROOT%%\":{\"uri\":%s}},\"results\":[%s]}]}\n",
               JsonString("file://" + UriPath(root)).c_str(), body.c_str());
}

}  // namespace kitcheck
