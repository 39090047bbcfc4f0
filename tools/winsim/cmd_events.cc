// winsim events [--json]
#include <cstdio>
#include <fstream>
#include <map>

#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

namespace {

// Reads the flat objects the event log holds: string, number and null
// members. Strings come back as the bytes they stand for.
bool ParseFlatObject(const std::string& line, std::map<std::string, std::string>* out) {
  size_t i = 0;
  auto skip = [&] { while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i; };
  auto string_at = [&](std::string* s) {
    if (i >= line.size() || line[i] != '"') return false;
    ++i;
    s->clear();
    while (i < line.size() && line[i] != '"') {
      unsigned char c = static_cast<unsigned char>(line[i++]);
      if (c == '\\' && i < line.size()) {
        char e = line[i++];
        if (e == 'n') *s += '\n';
        else if (e == 'r') *s += '\r';
        else if (e == 't') *s += '\t';
        else if (e == 'u' && i + 4 <= line.size()) {
          *s += static_cast<char>(std::stoul(line.substr(i, 4), nullptr, 16) & 0xFF);
          i += 4;
        } else *s += e;
      } else if ((c & 0xE0) == 0xC0 && i < line.size()) {
        *s += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(line[i++]) & 0x3F));
      } else {
        *s += static_cast<char>(c);
      }
    }
    if (i >= line.size()) return false;
    ++i;
    return true;
  };
  skip();
  if (i >= line.size() || line[i++] != '{') return false;
  while (true) {
    skip();
    if (i < line.size() && line[i] == '}') return true;
    std::string key, value;
    if (!string_at(&key)) return false;
    skip();
    if (i >= line.size() || line[i++] != ':') return false;
    skip();
    if (i < line.size() && line[i] == '"') {
      if (!string_at(&value)) return false;
    } else {
      size_t start = i;
      while (i < line.size() && line[i] != ',' && line[i] != '}') ++i;
      value = line.substr(start, i - start);
    }
    (*out)[key] = value;
    skip();
    if (i < line.size() && line[i] == ',') ++i;
    else if (i < line.size() && line[i] == '}') return true;
    else return false;
  }
}

std::string Describe(const std::map<std::string, std::string>& e) {
  auto get = [&](const char* k) {
    auto it = e.find(k);
    return it == e.end() ? std::string() : it->second;
  };
  std::string kind = get("event");
  if (kind == "MessageBox") return "MessageBox [" + get("caption") + "] " + get("text");
  if (kind == "ShellExecute")
    return "ShellExecute " + get("verb") + " " + get("file") + " " + get("parameters");
  if (kind == "Broadcast") return "Broadcast message " + get("message") + " timeout " + get("timeout");
  std::string all = kind;
  for (const auto& [k, v] : e)
    if (k != "event") all += " " + k + "=" + v;
  return all;
}

}  // namespace

int RunEvents(const Args& args) {
  bool json = args.size() == 1 && args[0] == "--json";
  if (!args.empty() && !json) return Fail(2, "events: the only option is --json");
  std::ifstream in(winsim::Root() + "/events.jsonl", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (json) {
      std::printf("%s\n", line.c_str());
      continue;
    }
    std::map<std::string, std::string> event;
    if (ParseFlatObject(line, &event)) std::printf("%s\n", Describe(event).c_str());
    else std::printf("(unreadable) %s\n", line.c_str());
  }
  return 0;
}
