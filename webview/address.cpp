#include "webview/address.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <regex>

namespace zarnic {
namespace {

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

// The text without the blanks around it. Blanks are ASCII ones whatever the user's locale, so
// an address reads the same on every desktop.
std::string_view trim(std::string_view text) {
    while (!text.empty() && g_ascii_isspace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && g_ascii_isspace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

address_plan plan_address(std::string_view text, std::string_view search_query) {
    address_plan plan;
    const std::string_view trimmed = trim(text);
    if (trimmed.empty())
        return plan; // nothing to do

    if (looks_like_host(trimmed)) {
        plan.kind = address_plan::plan_kind::secure;
        plan.uri = "https://" + std::string(trimmed);
        plan.fallback = "http://" + std::string(trimmed);
        return plan;
    }

    // The scheme of "scheme:rest" in lower case, or null when the text does not start with one.
    // (A host with a port also reads as "scheme:rest"; hosts are settled above.)
    const std::string whole(trimmed);
    const char* scheme = g_uri_peek_scheme(whole.c_str());
    static constexpr std::array<std::string_view, 6> loadable = {"http", "https", "file",
                                                                 "data", "about", "zarnic"};
    if (scheme) {
        plan.scheme = scheme;
        if (std::find(loadable.begin(), loadable.end(), plan.scheme) != loadable.end()) {
            plan.kind = address_plan::plan_kind::load;
            plan.uri = whole;
        } else if (plan.scheme == "mailto") {
            plan.kind = address_plan::plan_kind::mail;
            plan.uri = whole;
        } else {
            plan.kind = address_plan::plan_kind::refused;
        }
        return plan;
    }

    plan.kind = address_plan::plan_kind::search;
    g_autofree char* escaped = g_uri_escape_string(whole.c_str(), nullptr, FALSE);
    std::string query(search_query);
    size_t at = query.find("%s");
    if (at != std::string::npos)
        query.replace(at, 2, escaped);
    else
        query += escaped;
    plan.uri = std::move(query);
    return plan;
}

} // namespace zarnic
