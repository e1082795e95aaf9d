// How typed text becomes a load, a search, a mail or a refusal.
#include "webview/address.h"

#include <gtest/gtest.h>

namespace zarnic {
namespace {

using plan_kind = address_plan::plan_kind;
constexpr const char* query = "http://127.0.0.1:9/search?q=%s";

struct Case {
    std::string typed;
    plan_kind kind;
    std::string uri;
};

class PlanAddress : public testing::TestWithParam<Case> {};

TEST_P(PlanAddress, Classifies) {
    const Case& c = GetParam();
    address_plan plan = plan_address(c.typed, query);
    EXPECT_EQ(plan.kind, c.kind);
    EXPECT_EQ(plan.uri, c.uri);
}

const std::string huge(1 << 20, 'a');

INSTANTIATE_TEST_SUITE_P(
    Table, PlanAddress,
    testing::Values(
        // Schemes that load as typed, only the blanks around them dropped.
        Case{"  http://example.org/a b ", plan_kind::load, "http://example.org/a b"},
        Case{"HTTPS://Example.org", plan_kind::load, "HTTPS://Example.org"},
        Case{"data:text/html,<b>hi</b>", plan_kind::load, "data:text/html,<b>hi</b>"},
        Case{"zarnic://app/start.html", plan_kind::load, "zarnic://app/start.html"},
        // Hosts without a scheme: https first.
        Case{"www.example.org/path?q=1#top", plan_kind::secure,
             "https://www.example.org/path?q=1#top"},
        Case{"localhost:8080", plan_kind::secure, "https://localhost:8080"},
        Case{"127.0.0.1:8080/x", plan_kind::secure, "https://127.0.0.1:8080/x"},
        Case{"[::1]:8080", plan_kind::secure, "https://[::1]:8080"},
        // Everything else that names no scheme is a search, escaped.
        Case{"what is 1+1?", plan_kind::search, "http://127.0.0.1:9/search?q=what%20is%201%2B1%3F"},
        Case{"example.org and more", plan_kind::search,
             "http://127.0.0.1:9/search?q=example.org%20and%20more"},
        Case{"3.14", plan_kind::search, "http://127.0.0.1:9/search?q=3.14"},
        Case{"evil\x01\n.org", plan_kind::search, "http://127.0.0.1:9/search?q=evil%01%0A.org"},
        Case{huge + ".org", plan_kind::search, "http://127.0.0.1:9/search?q=" + huge + ".org"},
        Case{"mailto:support@example.org", plan_kind::mail, "mailto:support@example.org"},
        // Refused schemes carry no address at all.
        Case{"JavaScript:void(0)", plan_kind::refused, ""},
        Case{"ftp://example.org", plan_kind::refused, ""}, Case{" \t ", plan_kind::nothing, ""}));

TEST(PlanAddress, SecureKeepsAnHttpFallbackOfTheSameAddress) {
    EXPECT_EQ(plan_address("localhost:8080/a?b", query).fallback, "http://localhost:8080/a?b");
}

} // namespace
} // namespace zarnic
