#include "webview/address.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <regex>

namespace zarnic {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

// "host[:port][/path...]" where host is localhost, a dotted name ending in a word of letters,
// an IPv4 address or a bracketed IPv6 address. Anything with white space is not an address.
bool looks_like_host(std::string_view text) {
    static const std::regex host(
        R"(^(localhost|\[[0-9A-Fa-f:.]+\]|(\d{1,3}\.){3}\d{1,3}|([A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?\.)+[A-Za-z][A-Za-z0-9-]*[A-Za-z0-9])(:\d{1,5})?([/?#][^\s]*)?$)",
        std::regex::ECMAScript | std::regex::optimize);
    // Host names are short; a long text is a search (and keeps the matcher's work bounded).
    if (text.size() > 2048)
        return false;
    return std::regex_match(text.begin(), text.end(), host);
}

// The scheme of "scheme:rest", or "" when the text does not start with one.
std::string scheme_of(std::string_view text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0])))
        return {};
    for (size_t i = 1; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ':')
            return lower(text.substr(0, i));
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return {};
    }
    return {};
}

bool only_space(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isspace(c) != 0; });
}

} // namespace

AddressPlan plan_address(std::string_view text, std::string_view search_query) {
    AddressPlan plan;
    if (only_space(text))
        return plan; // Nothing

    std::string_view trimmed = text;
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.front())))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back())))
        trimmed.remove_suffix(1);

    if (looks_like_host(trimmed)) {
        plan.kind = AddressPlan::Kind::Secure;
        plan.uri = "https://" + std::string(trimmed);
        plan.fallback = "http://" + std::string(trimmed);
        return plan;
    }

    std::string scheme = scheme_of(trimmed);
    static constexpr std::array<std::string_view, 6> loadable = {"http",  "https", "file",
                                                                 "data",  "about", "zarnic"};
    if (!scheme.empty()) {
        plan.scheme = scheme;
        if (std::find(loadable.begin(), loadable.end(), scheme) != loadable.end()) {
            plan.kind = AddressPlan::Kind::Load;
            plan.uri = std::string(trimmed);
        } else if (scheme == "mailto") {
            plan.kind = AddressPlan::Kind::Mail;
            plan.uri = std::string(trimmed);
        } else {
            plan.kind = AddressPlan::Kind::Refused;
        }
        return plan;
    }

    plan.kind = AddressPlan::Kind::Search;
    char* escaped = g_uri_escape_string(std::string(trimmed).c_str(), nullptr, FALSE);
    std::string query(search_query);
    size_t at = query.find("%s");
    if (at != std::string::npos)
        query.replace(at, 2, escaped);
    else
        query += escaped;
    g_free(escaped);
    plan.uri = std::move(query);
    return plan;
}

} // namespace zarnic
