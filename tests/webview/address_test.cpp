// How typed text becomes a load, a search, a mail or a refusal.
#include "webview/address.h"

#include <gtest/gtest.h>

namespace zarnic {
namespace {

using plan_kind = address_plan::plan_kind;
constexpr const char* query = "http://127.0.0.1:9/search?q=%s";

struct Case {
    const char* typed;
    plan_kind kind;
    const char* uri;
};

class PlanAddress : public testing::TestWithParam<Case> {};

TEST_P(PlanAddress, Classifies) {
    const Case& c = GetParam();
    address_plan plan = plan_address(c.typed, query);
    EXPECT_EQ(plan.kind, c.kind) << c.typed;
    EXPECT_EQ(plan.uri, c.uri) << c.typed;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlanAddress,
    testing::Values(
        // Schemes that load as typed (only surrounding blanks are dropped).
        Case{"http://example.org/a b", plan_kind::load, "http://example.org/a b"},
        Case{"HTTPS://Example.org", plan_kind::load, "HTTPS://Example.org"},
        Case{"file:///etc/hostname", plan_kind::load, "file:///etc/hostname"},
        Case{"data:text/html,<b>hi</b>", plan_kind::load, "data:text/html,<b>hi</b>"},
        Case{"about:blank", plan_kind::load, "about:blank"},
        Case{"zarnic://app/start.html", plan_kind::load, "zarnic://app/start.html"},
        Case{"  http://127.0.0.1/  ", plan_kind::load, "http://127.0.0.1/"},
        // Hosts without a scheme: https first.
        Case{"example.org", plan_kind::secure, "https://example.org"},
        Case{"www.example.org/path?q=1#top", plan_kind::secure,
             "https://www.example.org/path?q=1#top"},
        Case{"localhost", plan_kind::secure, "https://localhost"},
        Case{"localhost:8080", plan_kind::secure, "https://localhost:8080"},
        Case{"127.0.0.1:8080/x", plan_kind::secure, "https://127.0.0.1:8080/x"},
        Case{"[::1]:8080", plan_kind::secure, "https://[::1]:8080"},
        // Everything else that is not a scheme is a search, escaped.
        Case{"hello", plan_kind::search, "http://127.0.0.1:9/search?q=hello"},
        Case{"cheap flights to rome", plan_kind::search,
             "http://127.0.0.1:9/search?q=cheap%20flights%20to%20rome"},
        Case{"what is 1+1?", plan_kind::search, "http://127.0.0.1:9/search?q=what%20is%201%2B1%3F"},
        Case{"example.org and more", plan_kind::search,
             "http://127.0.0.1:9/search?q=example.org%20and%20more"},
        Case{"3.14", plan_kind::search, "http://127.0.0.1:9/search?q=3.14"},
        Case{"mailto:support@example.org", plan_kind::mail, "mailto:support@example.org"},
        // Refused schemes carry no address at all.
        Case{"javascript:alert(1)", plan_kind::refused, ""},
        Case{"JavaScript:void(0)", plan_kind::refused, ""},
        Case{"ftp://example.org", plan_kind::refused, ""},
        Case{"vbscript:x", plan_kind::refused, ""}, Case{"", plan_kind::nothing, ""},
        Case{" \t ", plan_kind::nothing, ""}));

TEST(PlanAddress, SecureKeepsAnHttpFallbackOfTheSameAddress) {
    address_plan plan = plan_address("localhost:8080/a?b", query);
    EXPECT_EQ(plan.fallback, "http://localhost:8080/a?b");
}

TEST(PlanAddress, HugeAndHostileTextStaysASearch) {
    std::string huge(1 << 20, 'a');
    huge += ".org";
    EXPECT_EQ(plan_address(huge, query).kind, plan_kind::search);
    std::string controls = "evil\x01\x02\n.org";
    address_plan plan = plan_address(controls, query);
    EXPECT_EQ(plan.kind, plan_kind::search);
    EXPECT_EQ(plan.uri.find('\n'), std::string::npos);
    EXPECT_EQ(plan_address("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d", query).kind, plan_kind::search);
}

} // namespace
} // namespace zarnic
