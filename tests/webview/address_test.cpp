// How typed text becomes a load, a search, a mail or a refusal.
#include "webview/address.h"

#include <gtest/gtest.h>

namespace zarnic {
namespace {

using Kind = AddressPlan::Kind;
constexpr const char* kQuery = "http://127.0.0.1:9/search?q=%s";

struct Case {
    const char* typed;
    Kind kind;
    const char* uri;
};

class PlanAddress : public testing::TestWithParam<Case> {};

TEST_P(PlanAddress, Classifies) {
    const Case& c = GetParam();
    AddressPlan plan = plan_address(c.typed, kQuery);
    EXPECT_EQ(plan.kind, c.kind) << c.typed;
    EXPECT_EQ(plan.uri, c.uri) << c.typed;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlanAddress,
    testing::Values(
        // Schemes that load as typed (only surrounding blanks are dropped).
        Case{"http://example.org/a b", Kind::Load, "http://example.org/a b"},
        Case{"HTTPS://Example.org", Kind::Load, "HTTPS://Example.org"},
        Case{"file:///etc/hostname", Kind::Load, "file:///etc/hostname"},
        Case{"data:text/html,<b>hi</b>", Kind::Load, "data:text/html,<b>hi</b>"},
        Case{"about:blank", Kind::Load, "about:blank"},
        Case{"zarnic://app/start.html", Kind::Load, "zarnic://app/start.html"},
        Case{"  http://127.0.0.1/  ", Kind::Load, "http://127.0.0.1/"},
        // Hosts without a scheme: https first.
        Case{"example.org", Kind::Secure, "https://example.org"},
        Case{"www.example.org/path?q=1#top", Kind::Secure, "https://www.example.org/path?q=1#top"},
        Case{"localhost", Kind::Secure, "https://localhost"},
        Case{"localhost:8080", Kind::Secure, "https://localhost:8080"},
        Case{"127.0.0.1:8080/x", Kind::Secure, "https://127.0.0.1:8080/x"},
        Case{"[::1]:8080", Kind::Secure, "https://[::1]:8080"},
        // Everything else that is not a scheme is a search, escaped.
        Case{"hello", Kind::Search, "http://127.0.0.1:9/search?q=hello"},
        Case{"cheap flights to rome", Kind::Search,
             "http://127.0.0.1:9/search?q=cheap%20flights%20to%20rome"},
        Case{"what is 1+1?", Kind::Search, "http://127.0.0.1:9/search?q=what%20is%201%2B1%3F"},
        Case{"example.org and more", Kind::Search,
             "http://127.0.0.1:9/search?q=example.org%20and%20more"},
        Case{"3.14", Kind::Search, "http://127.0.0.1:9/search?q=3.14"},
        Case{"mailto:support@example.org", Kind::Mail, "mailto:support@example.org"},
        // Refused schemes carry no address at all.
        Case{"javascript:alert(1)", Kind::Refused, ""}, Case{"JavaScript:void(0)", Kind::Refused, ""},
        Case{"ftp://example.org", Kind::Refused, ""}, Case{"vbscript:x", Kind::Refused, ""},
        Case{"", Kind::Nothing, ""}, Case{" \t ", Kind::Nothing, ""}));

TEST(PlanAddress, SecureKeepsAnHttpFallbackOfTheSameAddress) {
    AddressPlan plan = plan_address("localhost:8080/a?b", kQuery);
    EXPECT_EQ(plan.fallback, "http://localhost:8080/a?b");
}

TEST(PlanAddress, HugeAndHostileTextStaysASearch) {
    std::string huge(1 << 20, 'a');
    huge += ".org";
    EXPECT_EQ(plan_address(huge, kQuery).kind, Kind::Search);
    std::string controls = "evil\x01\x02\n.org";
    AddressPlan plan = plan_address(controls, kQuery);
    EXPECT_EQ(plan.kind, Kind::Search);
    EXPECT_EQ(plan.uri.find('\n'), std::string::npos);
    EXPECT_EQ(plan_address("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d", kQuery).kind, Kind::Search);
}

} // namespace
} // namespace zarnic
