#pragma once
// The view's own pages for what a beginner must be told in place of a page: a site that cannot
// be found or reached, an identity that cannot be checked, an address this browser does not
// open, a page that stopped working. Each names the problem in plain words and says what the
// person can do; one template in the program's resources gives them the look of its start page,
// with everything inline, so they show under the failed site's address and with no network.
// Internal to webview/.

#include <webkit2/webkit2.h>

#include <optional>
#include <string>

namespace zarnic {

enum class problem {
    no_network,      // no network, or the site's name not found
    refused,         // the site refused or broke off the connection
    too_slow,        // the engine gave up waiting
    identity,        // the site's certificate could not be checked
    redirects,       // too many redirections
    cannot_open,     // an address of a kind this browser does not open, or that the engine
                     // will not contact (a port kept for other programs)
    mistyped,        // an address the engine cannot read at all
    file,            // a file to save, not a page to show
    crashed,         // the page's process crashed
    hung,            // the page stopped answering and was ended
    too_much_memory, // the page's process was ended for the memory it took
    failed,          // anything else
};

// The engine follows at most this many redirections in one load.
inline constexpr int redirection_limit = 20;

// The problem a failed load's error names, given how many redirections the load followed;
// nothing for the failures that call for no page of their own (a stop, a plug-in).
std::optional<problem> problem_of(const GError* error, int redirections);

// Why the engine would not contact the address, as a sentence: its port, where it names one
// (web pages are never served on the ports of mail and the like); "" where it names none.
std::string port_reason(const std::string& uri);

// The reason a certificate could not be checked, as a sentence; a general one when the engine
// names none.
std::string identity_reason(GTlsCertificateFlags errors);

// Shows the page in the view under the address uri (the failed address, so that Back and the
// back-forward list work as for any failed load). address is the address the page names;
// detail, when given, leads the page's sentences.
void show_problem(WebKitWebView* view, problem kind, const std::string& uri,
                  const std::string& address, const std::string& detail = {});

} // namespace zarnic
