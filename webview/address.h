#pragma once
// How the web view reads an address typed by the user.

#include <string>
#include <string_view>

namespace zarnic {

struct AddressPlan {
    enum class Kind {
        Nothing, // empty text: stay where the view is
        Load,    // load uri as it is
        Secure,  // host without a scheme: https first (uri), http (fallback) if nothing speaks TLS
        Search,  // the search page with the text as the query (uri)
        Mail,    // hand uri to the desktop's mail program
        Refused, // a scheme the view will not load (scheme says which)
    };
    Kind kind = Kind::Nothing;
    std::string uri;
    std::string fallback;
    std::string scheme;
};

// search_query is the search address with "%s" where the escaped text goes.
AddressPlan plan_address(std::string_view text, std::string_view search_query);

} // namespace zarnic
