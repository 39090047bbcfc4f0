// What a person would have seen: one JSON object per line in
// <root>/events.jsonl. Each line is written with one write(2) on a file
// opened for appending, so lines of concurrent processes never interleave.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

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

}  // namespace winsim
