#pragma once

#include <string>
#include <string_view>

namespace sonaveil_server {

// & < > " and ' as character references.
std::string HtmlEscape(std::string_view text);

bool IsValidUtf8(std::string_view text);

// Number of code points in valid UTF-8 text.
size_t Utf8Length(std::string_view text);

// Query values sent by older clients arrive percent-decoded in GBK; anything that is not
// valid UTF-8 is read as GB18030 (a superset of GBK and GB2312). Undecodable bytes are dropped.
std::string QueryValueToUtf8(std::string_view value);

// UTF-8 HTML text to GB2312. A character GB2312 lacks becomes a numeric character reference,
// so the page still says exactly what the UTF-8 said.
std::string Utf8HtmlToGb2312(std::string_view html);

// Trims ASCII blanks at both ends.
std::string_view Trim(std::string_view text);

// ASCII letters folded to lower case; other bytes as they are.
std::string AsciiLower(std::string_view text);

}  // namespace sonaveil_server
