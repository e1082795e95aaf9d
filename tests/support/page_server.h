#pragma once
// A web server on 127.0.0.1 for the tests' pages: plain http on one port, and https on another
// with a self-signed certificate made for it alone (127.0.0.1 and localhost; tests/support/tls),
// which nothing trusts unless a test hands certificate_pem() on. It runs on the main thread's
// default GMainContext, so it answers while the test iterates that loop; slow answers are timers
// there, never sleeps.
//
// Routes, the same on both ports: the pages in tests/support/pages by their file names, and a 404
// page titled "Not Found" for any other path; any of them answers N ms late when asked with ?ms=N:
//   /title.html "Hello Title"   /other.html "Other Page"   /untitled.html a page without a title
//   /slow.html "Slow Page", 1500 ms late      /slow-sub.html "Slow Sub", holding a picture that
//   comes 1500 ms late (a 404)                 /late-title.html "Early", "Late" 300 ms on
//   /redirect 301 to /redirect2, 302 to /title.html      /loop 302 to itself
//   /to-port 302 to port 25, which the engine never contacts
//   /link.html "Links", one link to /other.html in a new window, filling the page
//   /popup.html window.open of /other.html on load   /dialogs.html twenty alerts in a row, then
//   "Alerts done"   /download.zip an attachment      /storage.html stores cookies, localStorage
//   and IndexedDB, then asks /stored?stored      /stall never answered
//   /reset closed without an answer   /colour.html "Colour", its whole viewport one solid colour
//   (#0080c0)

#include <memory>
#include <string>
#include <string_view>

namespace zarnic::test {

class PageServer {
public:
    // Throws std::runtime_error when the certificate cannot be read or no port opened.
    PageServer();
    ~PageServer();

    // http://127.0.0.1:PORT + path, or https://127.0.0.1:PORT2 + path.
    std::string url(std::string_view path, bool https = false) const;
    const std::string& certificate_pem() const;
    // Requests for the path so far (a path with its query counts under both).
    int hits(std::string_view path) const;
    // An address on 127.0.0.1 where every connection is refused.
    static std::string refused_url();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

} // namespace zarnic::test
