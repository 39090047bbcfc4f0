// winsim events [--json]
#include <cstdio>
#include <fstream>
#include <map>

#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

namespace {

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
    if (winsim::ParseEventLine(line, &event)) std::printf("%s\n", Describe(event).c_str());
    else std::printf("(unreadable) %s\n", line.c_str());
  }
  return 0;
}
