// The built program as a separate process, driven from outside: its lifetime, and that a
// session leaves nothing behind on disk.
#include "support/page_server.h"
#include "support/program.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

namespace zarnic {
namespace {

using test::Program;

const std::string home_title = "^Welcome to Zarnic!$";

TEST(Program, EndsWhenItsLastWindowCloses) {
    Program program({ZARNIC_BINARY});
    unsigned long window = test::wait_window(home_title);
    ASSERT_NE(window, 0u) << "no browser window on the home page";
    // The splash has gone and the program lives on with its browser window.
    EXPECT_TRUE(program.running());
    test::close_window(window);
    ASSERT_TRUE(program.wait_exit(10000));
    EXPECT_EQ(program.exit_status(), 0);
}

// What a session may create on disk: nothing lasting. Temporary and runtime folders are wiped
// by the system; GStreamer's plugin registry (a cache of which media plugins exist, no browsing
// data) is kept because rebuilding it at every start would cost seconds and switching it off
// would stop audio and video.
bool allowed(const std::string& path, const Program& program) {
    static const char* const temporary[] = {"/tmp/", "/dev/",     "/proc/",   "/sys/",
                                            "/run/", "/newroot/", "/oldroot/"};
    for (const char* prefix : temporary)
        if (path.rfind(prefix, 0) == 0 && path.rfind(program.home(), 0) != 0)
            return true;
    if (path.rfind(program.runtime_dir() + "/", 0) == 0)
        return true;
    return path.rfind(program.home() + "/.cache/gstreamer-1.0", 0) == 0 ||
           path == program.home() + "/.cache";
}

TEST(Program, ASessionWritesNothingThatLasts) {
    test::PageServer server;
    std::string log = test::home_dir() + "/strace.log";
    Program program({"strace", "-f", "-qq", "-Y", "-o", log, "-e",
                     "trace=creat,open,openat,mkdir,mkdirat,rename,renameat,renameat2,link,linkat,"
                     "symlink,symlinkat",
                     ZARNIC_BINARY});
    unsigned long window = test::wait_window(home_title, 60000);
    ASSERT_NE(window, 0u);

    // Pages that set cookies, local storage and IndexedDB, and one that offers a download.
    test::send_keys(window, "alt+a");
    test::type_text(window, server.url("/storage.html"));
    test::send_keys(window, "Return");
    ASSERT_NE(test::wait_window("^Storage$"), 0u);
    test::run_for(1500);
    test::send_keys(window, "alt+a");
    test::type_text(window, server.url("/download.zip"));
    test::send_keys(window, "Return");
    EXPECT_TRUE(test::run_until([&] { return server.hits("/download.zip") > 0; }));
    test::run_for(1500);
    test::close_window(window);
    ASSERT_TRUE(program.wait_exit(20000));

    std::ifstream in(log);
    ASSERT_TRUE(in.good());
    // pid<name>  call(..."path"..., flags...) = result
    static const std::regex creating(
        R"(^\d+<([^>]*)>\s+(open|openat|creat|mkdir|mkdirat|rename|renameat|renameat2|link|linkat|symlink|symlinkat)\((.*)\)\s+=\s+(\d+))");
    std::set<std::string> created;
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        std::smatch m;
        if (!std::regex_search(line, m, creating))
            continue;
        std::string process = m[1], call = m[2], args = m[3];
        // The sandbox launcher builds the web process's root in a private tmpfs of its own
        // mount namespace; nothing it makes there reaches the real file system.
        if (process == "bwrap")
            continue;
        if ((call == "open" || call == "openat") && args.find("O_CREAT") == std::string::npos)
            continue;
        // The last quoted path of the call is the one created (the target of a rename).
        static const std::regex quoted(R"re("([^"]*)")re");
        std::string path;
        for (std::sregex_iterator it(args.begin(), args.end(), quoted), end; it != end; ++it)
            path = (*it)[1];
        if (!path.empty() && path[0] != '/')
            path = program.home() + "/" + path;
        // The home folder existed before the program started, so a successful mkdir of it can
        // only have happened in the web process's private sandbox root.
        if (call == "mkdir" && path == program.home())
            continue;
        if (!allowed(path, program))
            created.insert(line);
    }
    EXPECT_GT(lines, 100) << "strace saw nothing";
    for (const std::string& entry : created)
        ADD_FAILURE() << "created outside temporary folders: " << entry;

    // And, looked at directly, the home folder holds nothing but the media plugin cache.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(program.home()))
        EXPECT_TRUE(allowed(entry.path().string(), program)) << entry.path();
}

} // namespace
} // namespace zarnic
