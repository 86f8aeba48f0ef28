#include "server/text.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace sonaveil_server {

namespace {

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid one.
size_t SequenceLength(std::string_view text, size_t i, char32_t* codePoint) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length;
  char32_t value;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  return IconvHandle(cd);
}

// Converts all of input; false when iconv refuses any of it.
bool Convert(void* cd, std::string_view input, std::string* output) {
  iconv(static_cast<iconv_t>(cd), nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[64];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(static_cast<iconv_t>(cd), &in, &inLeft, &out, &outLeft);
    output->append(buffer, static_cast<size_t>(out - buffer));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
  }
  return true;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  char32_t ignored;
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i, &ignored);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

std::string QueryValueToUtf8(std::string_view value) {
  if (IsValidUtf8(value)) return std::string(value);
  IconvHandle cd = OpenIconv("UTF-8", "GB18030");
  std::string out;
  if (!cd) return out;
  // Byte by byte past what GB18030 cannot read either.
  for (size_t i = 0; i < value.size();) {
    size_t length = 1;
    std::string piece;
    for (; length <= 4 && i + length <= value.size(); ++length) {
      piece.clear();
      if (Convert(cd.get(), value.substr(i, length), &piece)) break;
    }
    if (length <= 4 && i + length <= value.size()) {
      out += piece;
      i += length;
    } else {
      ++i;
    }
  }
  return out;
}

std::string Utf8HtmlToGb2312(std::string_view html) {
  IconvHandle cd = OpenIconv("GB2312", "UTF-8");
  std::string out;
  out.reserve(html.size());
  for (size_t i = 0; i < html.size();) {
    char32_t codePoint = 0;
    size_t length = SequenceLength(html, i, &codePoint);
    if (length == 0) {  // not UTF-8: left out rather than passed on as stray bytes
      ++i;
      continue;
    }
    if (codePoint < 0x80) {
      out += static_cast<char>(codePoint);
    } else if (std::string encoded; cd && Convert(cd.get(), html.substr(i, length), &encoded)) {
      out += encoded;
    } else {
      out += "&#" + std::to_string(static_cast<uint32_t>(codePoint)) + ";";
    }
    i += length;
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace sonaveil_server
