#include "about/value_text.h"

#include <glib.h>

namespace zarnic {
namespace {

// Parses 1 to max_digits hexadecimal digits making up all of text.
bool parse_hex_number(std::string_view text, std::size_t max_digits, std::uint32_t& number) {
    if (text.empty() || text.size() > max_digits)
        return false;
    number = 0;
    for (char c : text) {
        int d = g_ascii_xdigit_value(c);
        if (d < 0)
            return false;
        number = number << 4 | std::uint32_t(d);
    }
    return true;
}

bool starts_with_folded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && fold_case(text.substr(0, prefix.size())) == prefix;
}

// "01,a2,ff": each byte one or two hexadecimal digits, separated by commas.
bool hex_bytes(std::string_view text, std::vector<std::uint8_t>& data) {
    data.clear();
    if (text.empty())
        return true;
    while (true) {
        std::size_t comma = text.find(',');
        std::uint32_t byte;
        if (!parse_hex_number(trim(text.substr(0, comma)), 2, byte))
            return false;
        data.push_back(std::uint8_t(byte));
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

} // namespace

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool parse_quoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= text.size() || (text[pos] != '\\' && text[pos] != '"'))
                return false;
            c = text[pos++];
        }
        out.push_back(c);
    }
    return false;
}

bool parse_value_data(std::string_view rest, stored_value& v) {
    if (!rest.empty() && rest.front() == '"') {
        std::string text;
        std::size_t pos = 0;
        if (!parse_quoted(rest, pos, text) || !trim(rest.substr(pos)).empty())
            return false;
        v.type = REG_SZ;
        v.data.assign(text.begin(), text.end());
        v.data.push_back(0); // a string is stored with its terminator
        return true;
    }
    if (starts_with_folded(rest, "dword:")) {
        std::uint32_t number;
        if (!parse_hex_number(rest.substr(6), 8, number))
            return false;
        v.type = REG_DWORD;
        v.data = {std::uint8_t(number), std::uint8_t(number >> 8), std::uint8_t(number >> 16),
                  std::uint8_t(number >> 24)};
        return true;
    }
    std::string_view bytes;
    if (starts_with_folded(rest, "hex:")) {
        v.type = REG_BINARY;
        bytes = rest.substr(4);
    } else if (starts_with_folded(rest, "hex(")) {
        std::size_t close = rest.find("):");
        if (close == std::string_view::npos ||
            !parse_hex_number(rest.substr(4, close - 4), 8, v.type))
            return false;
        bytes = rest.substr(close + 2);
    } else {
        return false;
    }
    return hex_bytes(trim(bytes), v.data);
}

} // namespace zarnic
