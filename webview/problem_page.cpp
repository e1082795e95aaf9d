#include "webview/problem_page.h"

#include "resources/resources.h"

#include <libsoup/soup.h>

#include <array>
#include <string_view>

namespace zarnic {
namespace {

struct problem_text {
    problem kind;
    std::string_view title;
    std::string_view body;
};

constexpr std::array<problem_text, 12> problem_texts{{
    {problem::no_network, "This site could not be found",
     "Zarnic! could not find the site: its name may be typed wrongly, or this computer may not "
     "be connected to the internet. Check the address and the connection, then click Refresh."},
    {problem::refused, "This site did not answer",
     "The site refused the connection or broke it off. It may be down or busy for a while: "
     "click Refresh to try again, or come back later."},
    {problem::too_slow, "This site took too long to answer",
     "The site may be busy, or the connection slow. Click Refresh to try again, or come back "
     "later."},
    {problem::identity, "This site's identity could not be checked",
     "Someone may be pretending to be the site, so Zarnic! does not show it. Check the address "
     "you typed, or go Back and try another site."},
    {problem::redirects, "This page keeps sending Zarnic! elsewhere",
     "The site sent Zarnic! from one address to another too many times, which usually means the "
     "site has a fault. Click Refresh to try again later."},
    {problem::cannot_open, "This address cannot be opened",
     "Zarnic! does not open addresses of this kind. Check the address and try again, or type the "
     "name of a website, for example www.debian.org."},
    {problem::mistyped, "This address is mistyped",
     "Zarnic! cannot make sense of this address: a part of it is missing, or it holds a number or "
     "a character that no address can have. Check it and try again, or type the name of a "
     "website, for example www.debian.org."},
    {problem::file, "This is a file, not a page",
     "The address leads to a file for another program, such as an archive or a program to "
     "install. Zarnic! only shows web pages and never saves files on this computer. Click Back "
     "to return to the page before."},
    {problem::crashed, "This page stopped working",
     "Zarnic! had to close this page because it stopped working. Click Refresh to try again, or "
     "type another address."},
    {problem::hung, "This page stopped answering",
     "Zarnic! closed this page because it stopped answering. Click Refresh to try again, or type "
     "another address."},
    {problem::too_much_memory, "This page used too much memory",
     "Zarnic! closed this page because it took more memory than this computer can spare. Click "
     "Refresh to try again, or type another address."},
    {problem::failed, "This page could not be shown",
     "Something went wrong while Zarnic! was loading this page. Click Refresh to try again, or "
     "type another address."},
}};

const problem_text& text_of(problem kind) {
    for (const problem_text& text : problem_texts)
        if (text.kind == kind)
            return text;
    return problem_texts.back();
}

std::string html_escape(std::string_view text) {
    g_autofree char* escaped = g_markup_escape_text(text.data(), gssize(text.size()));
    return escaped;
}

void replace_all(std::string& text, std::string_view mark, const std::string& by) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size()))
        text.replace(at, mark.size(), by);
}

std::string page_template() {
    g_autoptr(GBytes) bytes = g_resources_lookup_data(resources::path("pages/problem.html").c_str(),
                                                      G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    gsize size = 0;
    const char* data = bytes ? static_cast<const char*>(g_bytes_get_data(bytes, &size)) : "";
    return std::string(data, size);
}

} // namespace

std::optional<problem> problem_of(const GError* error, int redirections) {
    if (error->domain == G_RESOLVER_ERROR)
        return problem::no_network;
    if (error->domain == G_TLS_ERROR)
        return problem::identity;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_NETWORK_UNREACHABLE:
        case G_IO_ERROR_HOST_UNREACHABLE:
        case G_IO_ERROR_HOST_NOT_FOUND:
            return problem::no_network;
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_CONNECTION_CLOSED: // also a broken pipe
        case G_IO_ERROR_PARTIAL_INPUT:     // the connection reset in the middle of an answer
            return problem::refused;
        case G_IO_ERROR_TIMED_OUT:
            return problem::too_slow;
        case G_IO_ERROR_CANCELLED:
            return std::nullopt;
        default:
            return problem::failed;
        }
    }
    // The engine ends a redirection loop with an error of no domain it publishes.
    if ((error->domain == SOUP_SESSION_ERROR &&
         error->code == SOUP_SESSION_ERROR_TOO_MANY_REDIRECTS) ||
        redirections >= redirection_limit)
        return problem::redirects;
    if (error->domain == WEBKIT_NETWORK_ERROR) {
        if (error->code == WEBKIT_NETWORK_ERROR_CANCELLED)
            return std::nullopt;
        if (error->code == WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL)
            return problem::cannot_open;
    }
    // Loads the engine refuses before they start: an address it cannot read, one on a port kept
    // for other programs, a page sending the view where pages may not (data:, say), something
    // it cannot show.
    if (error->domain == WEBKIT_POLICY_ERROR) {
        switch (error->code) {
        case WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI:
            return problem::mistyped;
        case WEBKIT_POLICY_ERROR_CANNOT_SHOW_MIME_TYPE:
            return problem::file;
        default:
            return problem::cannot_open;
        }
    }
    // A plug-in the page asked for keeps the page the view had.
    if (error->domain == WEBKIT_PLUGIN_ERROR)
        return std::nullopt;
    return problem::failed;
}

std::string port_reason(const std::string& uri) {
    g_autoptr(GUri) parsed = g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr);
    const int port = parsed ? g_uri_get_port(parsed) : -1;
    if (port < 0)
        return {};
    return "Web pages are never served on port " + std::to_string(port) +
           ", the number after the colon: it belongs to other programs, such as e-mail.";
}

std::string identity_reason(GTlsCertificateFlags errors) {
    if (errors & G_TLS_CERTIFICATE_BAD_IDENTITY)
        return "The site showed a certificate that belongs to another site.";
    if (errors & G_TLS_CERTIFICATE_EXPIRED)
        return "The site's certificate has expired.";
    if (errors & G_TLS_CERTIFICATE_NOT_ACTIVATED)
        return "The site's certificate is not valid yet.";
    if (errors & G_TLS_CERTIFICATE_REVOKED)
        return "The site's certificate has been withdrawn by whoever issued it.";
    if (errors & G_TLS_CERTIFICATE_UNKNOWN_CA)
        return "The site's certificate was not issued by anyone this computer trusts; the site "
               "may have made it itself.";
    if (errors & G_TLS_CERTIFICATE_INSECURE)
        return "The site's certificate uses security that is too weak.";
    return "The site's certificate could not be checked.";
}

void show_problem(WebKitWebView* view, problem kind, const std::string& uri,
                  const std::string& address, const std::string& detail) {
    const problem_text& text = text_of(kind);
    std::string body =
        detail.empty() ? std::string(text.body) : detail + " " + std::string(text.body);
    std::string page = page_template();
    replace_all(page, "@TITLE@", html_escape(text.title));
    replace_all(page, "@BODY@", html_escape(body));
    replace_all(page, "@ADDRESS@", html_escape(address));
    webkit_web_view_load_alternate_html(view, page.c_str(), uri.c_str(), nullptr);
}

} // namespace zarnic
