#include "about/store_text.h"

#include "about/value_text.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace zarnic {
namespace {

struct root_key {
    HKEY handle;
    std::string_view name;
};

constexpr std::array<root_key, 5> root_keys{{
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
}};

constexpr std::string_view header_version5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view header_regedit4 = "REGEDIT4";
constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";

// Turns "HKEY_LOCAL_MACHINE\Software\X" into its folded form, refusing an unknown root, empty
// path components and paths longer than a registry allows.
bool canonical_key_path(std::string_view path, std::string& folded) {
    if (path.empty() || path.size() > max_key_path_bytes)
        return false;
    folded = fold_case(path);
    std::size_t root_end = std::min(folded.find('\\'), folded.size());
    std::string_view root = std::string_view(folded).substr(0, root_end);
    if (std::none_of(root_keys.begin(), root_keys.end(),
                     [&](const root_key& k) { return fold_case(k.name) == root; }))
        return false;
    return folded.back() != '\\' && folded.find("\\\\") == std::string::npos;
}

class parser {
public:
    explicit parser(store_contents& contents)
        : contents_(contents) {}

    bool line(std::string_view text) {
        text = trim(text);
        if (!seen_header_) {
            if (text.empty())
                return true;
            seen_header_ = true;
            return text == header_version5 || text == header_regedit4;
        }
        if (text.empty() || text.front() == ';')
            return true;
        if (text.front() == '[')
            return section(text);
        if (text.front() == '"' || text.front() == '@')
            return value(text);
        return false;
    }

    bool finished() const { return seen_header_; }

private:
    bool section(std::string_view text) {
        if (text.size() < 3 || text.back() != ']')
            return false;
        std::string_view inner = text.substr(1, text.size() - 2);
        bool removal = inner.front() == '-';
        if (removal)
            inner.remove_prefix(1);
        std::string path;
        if (!canonical_key_path(inner, path))
            return false;
        if (removal) {
            remove_key(path);
            current_ = nullptr;
            return true;
        }
        // The key and each of its parents exist from here on.
        for (std::size_t pos = path.find('\\'); pos != std::string::npos;
             pos = path.find('\\', pos + 1))
            contents_.keys.try_emplace(path.substr(0, pos));
        current_ = &contents_.keys[path];
        return true;
    }

    void remove_key(const std::string& path) {
        std::string below = path + '\\';
        for (auto it = contents_.keys.lower_bound(path);
             it != contents_.keys.end() && it->first.compare(0, path.size(), path) == 0;) {
            if (it->first == path || it->first.compare(0, below.size(), below) == 0)
                it = contents_.keys.erase(it);
            else
                ++it;
        }
    }

    bool value(std::string_view text) {
        if (!current_)
            return false;
        std::string name;
        std::size_t pos = 0;
        if (text.front() == '@')
            pos = 1;
        else if (!parse_quoted(text, pos, name))
            return false;
        std::string_view rest = trim(text.substr(pos));
        if (rest.empty() || rest.front() != '=')
            return false;
        rest = trim(rest.substr(1));

        auto& values = current_->values;
        std::string folded = fold_case(name);
        if (rest == "-") {
            values.erase(folded);
            return true;
        }
        stored_value v;
        v.name = std::move(name);
        if (!parse_value_data(rest, v))
            return false;
        values.insert_or_assign(std::move(folded), std::move(v));
        return true;
    }

    store_contents& contents_;
    stored_key* current_ = nullptr;
    bool seen_header_ = false;
};

} // namespace

std::string fold_case(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = g_ascii_tolower(c);
    return folded;
}

std::string_view root_key_name(HKEY root) {
    for (const root_key& k : root_keys)
        if (k.handle == root)
            return k.name;
    return {};
}

const stored_value* stored_key::find_value(std::string_view name) const {
    auto it = values.find(fold_case(name));
    return it == values.end() ? nullptr : &it->second;
}

const stored_key* store_contents::find_key(std::string_view full_path) const {
    auto it = keys.find(fold_case(full_path));
    return it == keys.end() ? nullptr : &it->second;
}

LSTATUS parse_store_text(std::string_view text, store_contents& contents) {
    contents.keys.clear();
    if (text.size() > max_store_file_bytes || text.find('\0') != std::string_view::npos)
        return ERROR_BADDB;
    if (text.substr(0, utf8_bom.size()) == utf8_bom)
        text.remove_prefix(utf8_bom.size());

    parser parser(contents);
    std::string logical; // one line of the format, continuation lines joined
    bool continued = false, comment = false;
    while (!text.empty()) {
        std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view physical = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!physical.empty() && physical.back() == '\r')
            physical.remove_suffix(1);

        if (continued) {
            physical = trim(physical);
        } else {
            std::string_view first = trim(physical);
            comment = !first.empty() && first.front() == ';';
        }
        logical.append(physical);
        while (!logical.empty() && is_blank(logical.back()))
            logical.pop_back();
        // A backslash at the end of a line (not a comment) carries the line on into the next.
        continued = !comment && !logical.empty() && logical.back() == '\\';
        if (continued) {
            logical.pop_back();
            continue;
        }
        if (!parser.line(logical)) {
            contents.keys.clear();
            return ERROR_BADDB;
        }
        logical.clear();
    }
    if (continued || !parser.finished()) {
        contents.keys.clear();
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

LSTATUS copy_value(const stored_value& value, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* size) {
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    if (type)
        *type = value.type;
    auto needed = std::uint32_t(value.data.size());
    if (!data) {
        if (size)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (needed > *size) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed > 0)
        std::memcpy(data, value.data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

} // namespace zarnic
