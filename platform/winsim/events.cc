// What a person would have seen: one JSON object per line in
// <root>/events.jsonl. Each line is written with one write(2) on a file
// opened for appending, so lines of concurrent processes never interleave.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/winsim/winsim.h"

namespace winsim {

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else if (c >= 0x80) {
      // The byte stands for the code point of the same value, in UTF-8.
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

void AppendEvent(const std::string& json_object) {
  std::string path = Root() + "/events.jsonl";
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "winsim: cannot record an event in %s\n", path.c_str());
    return;
  }
  std::string line = json_object + "\n";
  ssize_t n = ::write(fd, line.data(), line.size());
  if (n != static_cast<ssize_t>(line.size()))
    std::fprintf(stderr, "winsim: event record in %s was cut short\n", path.c_str());
  ::close(fd);
}

bool ParseEventLine(const std::string& line, std::map<std::string, std::string>* out) {
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

}  // namespace winsim
