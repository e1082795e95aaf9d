#pragma once
// How one value of a store file is written (see store_text.h): a quoted name or text, and the
// data after "=" (a quoted text, dword:, hex:, hex(N):). Internal to the store reader.

#include "about/store_text.h"

#include <string>
#include <string_view>

namespace zarnic {

// The format's blanks: spaces and tabs, not line ends.
bool is_blank(char c);
// Drops the format's blanks from both ends.
std::string_view trim(std::string_view text);

// Reads a quoted text starting at text[pos] == '"'. Inside, only \\ and \" are escapes; pos
// ends after the closing quote.
bool parse_quoted(std::string_view text, std::size_t& pos, std::string& out);

// Reads the data written after a value's "=" into v's type and data.
bool parse_value_data(std::string_view rest, stored_value& v);

} // namespace zarnic
