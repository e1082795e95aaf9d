// How typed text becomes a load, a search, a mail or a refusal. What each kind then does in a
// view (the hosts tried over https, a mail left to the desktop, ...) is in web_view_test.
#include "webview/address.h"

#include <gtest/gtest.h>

namespace zarnic {
namespace {

using plan_kind = address_plan::plan_kind;

TEST(PlanAddress, Classifies) {
    const std::string huge(1 << 20, 'a');
    const struct {
        std::string typed;
        plan_kind kind;
        std::string uri, fallback = {};
    } cases[] = {
        // Schemes that load as typed, whatever their case, only the blanks around them dropped.
        {"  http://example.org/a b ", plan_kind::load, "http://example.org/a b"},
        {"HTTPS://Example.org", plan_kind::load, "HTTPS://Example.org"},
        {"data:text/html,<b>hi</b>", plan_kind::load, "data:text/html,<b>hi</b>"},
        {"zarnic://app/start.html", plan_kind::load, "zarnic://app/start.html"},
        // Hosts without a scheme: https first, then the same address over http.
        {"www.example.org/path?q=1#top", plan_kind::secure, "https://www.example.org/path?q=1#top",
         "http://www.example.org/path?q=1#top"},
        {"[::1]:8080", plan_kind::secure, "https://[::1]:8080", "http://[::1]:8080"},
        // Everything else that names no scheme is a search, escaped; so is any very long text.
        {"what is 1+1?", plan_kind::search, "http://s/?q=what%20is%201%2B1%3F"},
        {"example.org and more", plan_kind::search, "http://s/?q=example.org%20and%20more"},
        {"3.14", plan_kind::search, "http://s/?q=3.14"},
        {"evil\x01\n.org", plan_kind::search, "http://s/?q=evil%01%0A.org"},
        {huge + ".org", plan_kind::search, "http://s/?q=" + huge + ".org"},
        {"mailto:support@example.org", plan_kind::mail, "mailto:support@example.org"},
        // Refused schemes carry no address at all.
        {"JavaScript:void(0)", plan_kind::refused, ""},
        {" \t ", plan_kind::nothing, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.substr(0, 40));
        const address_plan plan = plan_address(c.typed, "http://s/?q=%s");
        EXPECT_EQ(plan.kind, c.kind);
        EXPECT_EQ(plan.uri, c.uri);
        EXPECT_EQ(plan.fallback, c.fallback);
    }
}

} // namespace
} // namespace zarnic
