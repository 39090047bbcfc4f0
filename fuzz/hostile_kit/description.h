// A hostile kit as text, so that the fuzzer's seeds can be written (and read)
// by hand and every mutation of them still describes a kit. Directive lines
// come first, one per line; the line "inf:" ends them and the rest of the
// input is the INF's text. Without an "inf:" line the whole input is the INF.
//
//   version V          Windows version of the fresh system (95 98 me nt4 2000
//                      xp vista 7; anything else is 2000)
//   inf NAME           the INF's name in the kit folder (default setup.inf)
//   infpath TEXT       the /INF argument (default {kit}\NAME)
//   printer TEXT       the /PRINTER and /UNINSTALL argument
//   models TEXT        the /MDL argument
//   utf16              the INF is stored as UTF-16LE with a byte-order mark
//   file NAME TEXT     a file beside the INF ('\' in NAME makes subfolders)
//   dir NAME           a folder beside the INF
//   link NAME TARGET   a symbolic link beside the INF to the host path TARGET
//   cab NAME TEXT      a member of the system's driver cabinet
//   cabdamage          the cabinet's first data block is unreadable
//   cabraw TEXT        the driver cabinet is these bytes
//   port KEY NAME TEXT a REG_SZ value under HKEY_LOCAL_MACHINE\KEY
//   neighbour          the system already has the example kit's driver and
//                      printer (examples/kit), which the kit must not harm
//
// A word is a run of non-blanks or a "double-quoted" run; TEXT is the rest of
// the line. Every word and text is expanded: {kit} is the kit folder as a
// Windows path, {outside} the host path of a folder outside the simulated
// system, {outsidez} the same as a Windows (Z:) path, {xHH} one byte, and
// {N:TEXT} TEXT repeated N times.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hostile_kit {

struct Entry {
  std::string name;
  std::string text;  // content, link target or value
  std::string key;   // port records only
};

struct Kit {
  std::string version = "2000";
  std::string inf_name = "setup.inf";
  std::string inf_path;  // empty: {kit}\inf_name
  std::string printer = "Kit Printer";
  std::string models;
  bool utf16 = false;
  bool neighbour = false;
  std::vector<Entry> files, dirs, links, members, ports;
  bool cab_damaged = false;
  bool cab_raw = false;
  std::string cab_bytes;
  std::string inf;
};

/// Where the expansions point.
struct Places {
  std::string kit_windows;
  std::string outside_host;
  std::string outside_windows;
};

// Bounds that keep one input's kit small and its run short.
constexpr size_t kMaxExpanded = 64 * 1024;
constexpr size_t kMaxEntries = 24;

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// The text of one {...} expansion, or false to keep the braces as they are.
inline bool ExpandOne(std::string_view inner, const Places& places, std::string* out) {
  if (inner == "kit") return *out = places.kit_windows, true;
  if (inner == "outside") return *out = places.outside_host, true;
  if (inner == "outsidez") return *out = places.outside_windows, true;
  if (inner.size() == 3 && inner[0] == 'x' && HexDigit(inner[1]) >= 0 && HexDigit(inner[2]) >= 0) {
    *out = std::string(1, static_cast<char>(HexDigit(inner[1]) * 16 + HexDigit(inner[2])));
    return true;
  }
  size_t colon = inner.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon > 5) return false;
  size_t count = 0;
  for (char c : inner.substr(0, colon)) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + static_cast<size_t>(c - '0');
  }
  std::string_view unit = inner.substr(colon + 1);
  if (unit.empty() || count * unit.size() > kMaxExpanded) return false;
  out->clear();
  for (size_t i = 0; i < count; ++i) out->append(unit);
  return true;
}

inline std::string Expand(std::string_view text, const Places& places) {
  std::string out;
  for (size_t i = 0; i < text.size() && out.size() < kMaxExpanded;) {
    size_t close = text[i] == '{' ? text.find('}', i) : std::string_view::npos;
    std::string piece;
    if (close != std::string_view::npos && ExpandOne(text.substr(i + 1, close - i - 1), places, &piece)) {
      out += piece;
      i = close + 1;
    } else {
      out += text[i++];
    }
  }
  if (out.size() > kMaxExpanded) out.resize(kMaxExpanded);
  return out;
}

/// Takes the next word off the front of `line` (blanks before it skipped).
inline std::string_view NextWord(std::string_view* line) {
  size_t start = line->find_first_not_of(" \t");
  if (start == std::string_view::npos) return *line = {}, std::string_view();
  line->remove_prefix(start);
  size_t end;
  std::string_view word;
  if ((*line)[0] == '"' && (end = line->find('"', 1)) != std::string_view::npos) {
    word = line->substr(1, end - 1);
    ++end;
  } else {
    end = std::min(line->find_first_of(" \t"), line->size());
    word = line->substr(0, end);
  }
  line->remove_prefix(end);
  return word;
}

/// The rest of the line after one separating blank.
inline std::string_view RestOf(std::string_view line) {
  if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) line.remove_prefix(1);
  return line;
}

inline void AddEntry(std::vector<Entry>* list, Entry entry) {
  if (list->size() < kMaxEntries) list->push_back(std::move(entry));
}

inline void ApplyDirective(std::string_view line, const Places& places, Kit* kit) {
  std::string_view directive = NextWord(&line);
  auto word = [&] { return Expand(NextWord(&line), places); };
  auto rest = [&] { return Expand(RestOf(line), places); };
  if (directive == "version") {
    std::string v = word();
    for (const char* known : {"95", "98", "me", "nt4", "2000", "xp", "vista", "7"})
      if (v == known) kit->version = v;
  } else if (directive == "inf") {
    kit->inf_name = word();
  } else if (directive == "infpath") {
    kit->inf_path = rest();
  } else if (directive == "printer") {
    kit->printer = rest();
  } else if (directive == "models") {
    kit->models = rest();
  } else if (directive == "utf16") {
    kit->utf16 = true;
  } else if (directive == "file" || directive == "link" || directive == "cab" || directive == "dir") {
    Entry e;
    e.name = word();
    e.text = rest();
    AddEntry(directive == "file"  ? &kit->files
             : directive == "dir" ? &kit->dirs
             : directive == "link" ? &kit->links
                                   : &kit->members,
             std::move(e));
  } else if (directive == "neighbour") {
    kit->neighbour = true;
  } else if (directive == "cabdamage") {
    kit->cab_damaged = true;
  } else if (directive == "cabraw") {
    kit->cab_raw = true;
    kit->cab_bytes = rest();
  } else if (directive == "port") {
    Entry e;
    e.key = word();
    e.name = word();
    e.text = rest();
    AddEntry(&kit->ports, std::move(e));
  }
}

/// Reads a kit description; never fails (unknown directives are skipped).
inline Kit ParseKit(std::string_view input, const Places& places) {
  Kit kit;
  size_t marker = input.rfind("inf:\n", 0) == 0 ? 0 : input.find("\ninf:\n");
  if (marker == std::string_view::npos) {
    kit.inf = Expand(input, places);
    return kit;
  }
  std::string_view header = input.substr(0, marker);
  kit.inf = Expand(input.substr(marker + (marker == 0 ? 5 : 6)), places);
  while (!header.empty()) {
    size_t end = std::min(header.find('\n'), header.size());
    std::string_view line = header.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line[0] != '#') ApplyDirective(line, places, &kit);
    header.remove_prefix(std::min(end + 1, header.size()));
  }
  return kit;
}

}  // namespace hostile_kit
