#pragma once
// How the web view reads an address typed by the user.

#include <string>
#include <string_view>

namespace zarnic {

struct address_plan {
    enum class plan_kind {
        nothing, // empty text: stay where the view is
        load,    // load uri as it is
        secure,  // host without a scheme: https first (uri), http (fallback) if nothing speaks TLS
        search,  // the search page with the text as the query (uri)
        mail,    // hand uri to the desktop's mail program
        refused, // a scheme the view will not load (scheme says which)
    };
    plan_kind kind = plan_kind::nothing;
    std::string uri;
    std::string fallback;
    std::string scheme;
};

// search_query is the search address with "%s" where the escaped text goes.
address_plan plan_address(std::string_view text, std::string_view search_query);

} // namespace zarnic
