// Code page conversions for the profile reader.
//
//   DecodeFileText   byte-order mark detection, UTF-16LE/BE, UTF-8, ANSI
//   AnsiToUnicode    MultiByteToWideChar(code page) as the reader needs it
//   UnicodeToAnsi    WideCharToMultiByte(code page) with Windows' best fit
//
// Code page 1252 (the default system code page) is converted here by table;
// other code pages go through the host's iconv. Native Windows maps the five
// bytes that 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) to the C1
// control code points of the same value and back, so every byte of a
// 1252 file survives the round trip.
#include "platform/winsim/profile_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace winsim::profile {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Bytes 0x80..0x9F of code page 1252.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Best fit of Latin Extended-A (U+0100..U+017F) in 1252: the base letter;
// '?' where Windows has none. Letters that 1252 has exactly (Œ œ Š š Ÿ Ž ž)
// never get here.
constexpr char kLatinExtendedA[] =
    "AaAaAaCcCcCcCcDd"  // U+0100
    "DdEeEeEeEeEeGgGg"  // U+0110
    "GgGgHhHhIiIiIiIi"  // U+0120
    "Ii??JjKk?LlLlLlL"  // U+0130
    "lLlNnNnNnnNnOoOo"  // U+0140
    "Oo??RrRrRrSsSsSs"  // U+0150
    "??TtTtTtUuUuUuUu"  // U+0160
    "UuUuWwYy?ZzZz??f";  // U+0170

// Best fit of the Greek capitals U+0391..U+03A9 (U+03A2 is unassigned).
constexpr char kGreekCapitals[] = "ABGDEZHTIKLMNXOPR?STYFX?O";

char BestFitCp1252(char32_t c) {
  if (c >= 0x0100 && c <= 0x017F) return kLatinExtendedA[c - 0x0100];
  if (c >= 0x0391 && c <= 0x03A9) return kGreekCapitals[c - 0x0391];
  switch (c) {
    case 0x03B1: return 'a';
    case 0x03B2: return static_cast<char>(0xDF);  // β as ß
    case 0x03B4: return 'd';
    case 0x03B5: return 'e';
    case 0x03BC: return static_cast<char>(0xB5);  // μ as µ
    case 0x03C0: return 'p';
    case 0x03C3: return 's';
    case 0x03C4: return 't';
    case 0x03C6: return 'f';
    case 0x2010: case 0x2011: case 0x2012: case 0x2015: case 0x2212: return '-';
    case 0x2032: return '\'';
    case 0x2033: return '"';
    case 0x2044: return '/';
    default: break;
  }
  if (c >= 0x2000 && c <= 0x200A) return ' ';
  if (c >= 0xFF01 && c <= 0xFF5E) return static_cast<char>(c - 0xFF01 + 0x21);  // full width
  return '?';
}

char EncodeCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  if (c >= 0x80 && c <= 0x9F) return static_cast<char>(c);  // C1 controls
  return BestFitCp1252(c);
}

char32_t DecodeCp1252(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : b;
}

std::u32string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::u32string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](size_t i) -> char32_t {
    unsigned char a = static_cast<unsigned char>(bytes[i]);
    unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  size_t n = bytes.size() & ~size_t{1};  // a trailing odd byte is no character
  for (size_t i = 0; i < n; i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    out.push_back((u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
  }
  return out;
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= bytes.size()) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t c = b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(c);
    i += extra + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// An iconv conversion between a Windows code page and UTF-32LE; invalid
// input becomes '?' and conversion goes on, as the Windows functions do
// without their strict flags. Opening a conversion is costly, so each
// thread keeps the ones it has opened.
class CodePageConverter {
 public:
  CodePageConverter(UINT code_page, bool to_unicode) : code_page_(code_page), to_unicode_(to_unicode) {
    char name[16];
    std::snprintf(name, sizeof name, "CP%u", code_page);
    cd_ = to_unicode ? iconv_open("UTF-32LE", name) : iconv_open(name, "UTF-32LE");
  }
  ~CodePageConverter() {
    if (ok()) iconv_close(cd_);
  }
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  bool Is(UINT code_page, bool to_unicode) const { return code_page_ == code_page && to_unicode_ == to_unicode; }

  /// Converts `in`; on a byte sequence it cannot convert it emits
  /// `replacement` and skips `skip` input bytes.
  std::string Convert(std::string_view in, std::string_view replacement, size_t skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char chunk[1024];
    while (src_left > 0) {
      char* dst = chunk;
      size_t dst_left = sizeof chunk;
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(chunk, dst - chunk);
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) continue;
      out.append(replacement);  // EILSEQ or an incomplete sequence at the end
      size_t n = src_left < skip ? src_left : skip;
      src += n;
      src_left -= n;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  UINT code_page_;
  bool to_unicode_;
  iconv_t cd_;
};

// The thread's open conversion for a code page and direction, or nullptr
// when the host has no such code page.
CodePageConverter* ConverterFor(UINT code_page, bool to_unicode) {
  thread_local std::vector<std::unique_ptr<CodePageConverter>> open;
  for (auto& c : open) {
    if (c->Is(code_page, to_unicode)) return c->ok() ? c.get() : nullptr;
  }
  if (open.size() >= 16) open.clear();
  open.push_back(std::make_unique<CodePageConverter>(code_page, to_unicode));
  return open.back()->ok() ? open.back().get() : nullptr;
}

std::u32string FromUtf32Le(std::string_view bytes) {
  std::u32string out;
  out.reserve(bytes.size() / 4);
  for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data() + i);
    out.push_back(static_cast<char32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24));
  }
  return out;
}

std::string ToUtf32Le(std::u32string_view text) {
  std::string out;
  out.reserve(text.size() * 4);
  for (char32_t c : text) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>((c >> (8 * k)) & 0xFF));
  }
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::u32string DecodeFileText(std::string_view bytes, UINT code_page) {
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
  if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return DecodeUtf8(bytes.substr(3));
  return AnsiToUnicode(bytes, code_page);
}

std::u32string AnsiToUnicode(std::string_view ansi, UINT code_page) {
  if (code_page == 65001) return DecodeUtf8(ansi);
  if (code_page != 1252) {
    if (CodePageConverter* c = ConverterFor(code_page, true)) {
      return FromUtf32Le(c->Convert(ansi, std::string("?\0\0\0", 4), 1));
    }
  }
  std::u32string out;
  out.reserve(ansi.size());
  for (char c : ansi) out.push_back(DecodeCp1252(static_cast<unsigned char>(c)));
  return out;
}

std::string UnicodeToAnsi(std::u32string_view text, UINT code_page) {
  if (code_page == 65001) return EncodeUtf8(text);
  if (code_page != 1252) {
    if (CodePageConverter* c = ConverterFor(code_page, false)) return c->Convert(ToUtf32Le(text), "?", 4);
  }
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) out.push_back(EncodeCp1252(c));
  return out;
}

bool IsLeadByteIn(UINT code_page, unsigned char byte) {
  switch (code_page) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    default: return false;
  }
}

size_t CutAtCharacter(std::string_view ansi, size_t limit, UINT code_page) {
  if (ansi.size() <= limit) return ansi.size();
  size_t i = 0;
  while (i < limit) {
    size_t width = (IsLeadByteIn(code_page, static_cast<unsigned char>(ansi[i])) && i + 1 < ansi.size()) ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

}  // namespace winsim::profile
