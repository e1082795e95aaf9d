#pragma once
// A small web server on 127.0.0.1 that serves the pages the web view and browser tests load.
//
// It answers on two ports picked by the system: plain http, and https with a self-signed
// certificate made for this server alone (IP 127.0.0.1, DNS localhost). Nothing trusts that
// certificate unless a test hands certificate_pem() to its client or web view.
//
// The server runs in the main thread's default GMainContext, so its handlers only run while the
// test iterates that loop (test::run_until, run_for, or g_main_context_iteration). Slow answers
// are timers on that loop, never sleeps.
//
// Built-in routes, the same on http and https:
//   /title.html        <title>Hello Title</title>
//   /notitle.html      a page without a title
//   /other.html        title "Other Page"
//   /link.html         title "Links"; <a id="next"> to /title.html, <a id="tofrag"> to #frag
//                      (a heading far down the page), <a id="blank" target="_blank"> to
//                      /other.html
//   /slow.html?ms=N    title "Slow Page", answered after N ms (default 1500)
//   /slow-sub.html     title "Slow Sub" in its head; holds <img src="/slow-image.png?ms=1500">
//   /slow-image.png?ms=N  a 1x1 PNG answered after N ms (default 1500)
//   /redirect          301 to /redirect2, which answers 302 to /title.html
//   /loop              302 to itself
//   /download.zip      a small zip, Content-Disposition: attachment; filename="file.zip"
//   /download.bin      application/octet-stream without a disposition
//   /storage.html      sets a cookie by header (srv=1) and from script (js=1), localStorage and
//                      IndexedDB, then sets the title "stored" (or "storage failed: ...")
//   /late-title.html   title "Early"; a timer sets "Late" after 300 ms
//   /popup.html        title "Popup"; calls window.open('/other.html') on load
//   /dialogs.html      title "Dialogs"; after the load event raises alert() 20 times, setting
//                      the title "Alert N of 20" before each one and "Alerts done" at the end
//   /stall             never answered until the server is destroyed
//   /reset             the connection is closed without any response
//   /large?mb=N        a text/html page (title "Large Page") of exactly N MiB (default 20),
//                      streamed in chunks
//   /beacon?tag=X      an empty 204 answer; for pages that report their load event
//   /video.html        title "Video"; <video id="clip" src="/clip.webm" autoplay muted>, the
//                      title becomes "Playing" once it plays ("Video Error" if it cannot)
//   /clip.webm         a two-second VP8 clip without sound, made once per test process with
//                      gst-launch-1.0; byte ranges are honoured
// Anything else is a 404 page titled "Not Found". Pages given to add() take precedence.

#include <memory>
#include <string>
#include <string_view>

namespace zarnic::test {

class PageServer {
public:
    // Starts both servers; throws std::runtime_error if the certificate cannot be made or a
    // port cannot be opened.
    PageServer();
    // Stops both servers, drops held requests, and removes the certificate's folder.
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // "http://127.0.0.1:PORT" + path (path starts with '/').
    std::string url(std::string_view path) const;
    // "https://127.0.0.1:PORT2" + path.
    std::string https_url(std::string_view path) const;
    // "127.0.0.1:PORT", as a user would type it.
    std::string host_port() const;
    std::string https_host_port() const;
    // Path of the server's certificate file (PEM).
    const std::string& certificate_pem() const;

    // Requests seen so far on both ports. A plain path ("/beacon") counts every request for
    // it whatever its query; a path with a query ("/beacon?tag=a") counts only that exact query.
    int hits(std::string_view path) const;

    // Serves body at path (from now on, on both ports), in place of any built-in page.
    void add(std::string path, std::string body,
             std::string content_type = "text/html; charset=utf-8");

    // An http address on 127.0.0.1 whose port refuses connections. The port stays reserved
    // (bound but not listening) for the life of the test process, so nothing else takes it.
    static std::string refused_url();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

} // namespace zarnic::test
