#pragma once
// A web server on 127.0.0.1 for the tests' pages: plain http, and https with a self-signed
// certificate made for it alone (127.0.0.1 and localhost), which nothing trusts unless a test
// hands certificate_pem() on. It runs on the main thread's default GMainContext, so it answers
// while the test iterates that loop; slow answers are timers there, never sleeps.
//
// Routes, the same on both ports (anything else is a 404 page titled "Not Found"; add() adds
// pages, and wins):
//   /title.html "Hello Title"   /other.html "Other Page"
//   /link.html "Links", with <a id="next"> to /title.html and <a id="blank" target="_blank">
//   /slow.html?ms=N "Slow Page", after N ms      /slow-image.png?ms=N a PNG, after N ms
//   /slow-sub.html "Slow Sub", holding /slow-image.png?ms=1500
//   /redirect 301 to /redirect2, 302 to /title.html          /loop 302 to itself
//   /download.zip an attachment       /storage.html stores cookies, localStorage, IndexedDB; asks
//   /stored?stored /late-title.html "Early", "Late" 300 ms after        /popup.html window.open on
//   load /dialogs.html twenty alerts in a row, then "Alerts done" /stall never answered      /reset
//   closed without an answer /large?mb=N "Large Page" of N MiB

#include <memory>
#include <string>
#include <string_view>

namespace zarnic::test {

class PageServer {
public:
    // Throws std::runtime_error when the certificate cannot be made or no port opened.
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    std::string url(std::string_view path) const;       // http://127.0.0.1:PORT + path
    std::string https_url(std::string_view path) const; // https://127.0.0.1:PORT2 + path
    std::string host_port() const;
    std::string https_host_port() const;
    const std::string& certificate_pem() const;
    // Requests for the path so far (a path with its query counts under both).
    int hits(std::string_view path) const;
    void add(std::string path, std::string body,
             std::string content_type = "text/html; charset=utf-8");
    // An address on 127.0.0.1 where every connection is refused.
    static std::string refused_url();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

} // namespace zarnic::test
