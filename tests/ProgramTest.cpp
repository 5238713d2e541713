// The shipped program itself, on a real X server of its own (Xvfb) with no window manager:
// the test plays the window manager's part and closes windows the way a close box does,
// with a WM_DELETE_WINDOW message.
#include "ChildProcess.h"
#include "Installation.h"
#include "TempFolder.h"
#include "XDisplay.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string mainCaption = "Atualizador para versão 9.3.13.x";
// Generous bounds for a busy machine; nothing is measured against them.
constexpr auto patience = 60s;

std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = name == "WAYLAND_DISPLAY";
        for (const auto& o : overrides)
            replaced = replaced || o.substr(0, o.find('=')) == name;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

// An X server of the test's own; skipped where Xvfb is not installed.
class XServer {
public:
    XServer() {
        if (!fs::exists("/usr/bin/Xvfb"))
            return;
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        server_.emplace(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd",
                                                 std::to_string(fds[1]), "-nolisten", "tcp",
                                                 "-screen", "0", "1280x1024x24"},
                        environmentWith({}), fs::temp_directory_path(), fds[1]);
        ::close(fds[1]);
        display_ = displayFromPipe(fds[0], patience);
        if (display_.empty())
            return;
        connection_ = xcb_connect(display_.c_str(), nullptr);
        if (xcb_connection_has_error(connection_)) {
            xcb_disconnect(connection_);
            connection_ = nullptr;
            return;
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~XServer() {
        if (connection_)
            xcb_disconnect(connection_);
    }

    bool running() const { return connection_ != nullptr; }
    const std::string& display() const { return display_; }

    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    std::vector<std::uint8_t> property(xcb_window_t window, const char* name) {
        auto* reply = xcb_get_property_reply(connection_,
                                             xcb_get_property(connection_, 0, window, atom(name),
                                                              XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                             nullptr);
        std::vector<std::uint8_t> bytes;
        if (reply) {
            const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(reply));
            bytes.assign(data, data + xcb_get_property_value_length(reply));
            std::free(reply);
        }
        return bytes;
    }

    std::string title(xcb_window_t window) {
        const auto bytes = property(window, "_NET_WM_NAME");
        return std::string(bytes.begin(), bytes.end());
    }

    // The titles of the mapped top-level windows.
    std::vector<std::pair<xcb_window_t, std::string>> windows() {
        std::vector<std::pair<xcb_window_t, std::string>> result;
        auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
        if (!tree)
            return result;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            auto* attributes = xcb_get_window_attributes_reply(
                connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (viewable)
                result.emplace_back(children[i], title(children[i]));
        }
        std::free(tree);
        return result;
    }

    std::optional<xcb_window_t> waitForWindow(const std::string& caption) {
        const auto until = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < until) {
            for (const auto& [window, title] : windows())
                if (title == caption)
                    return window;
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    // What a window manager sends when the user clicks the close box.
    void close(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
    }

    xcb_get_geometry_reply_t geometry(xcb_window_t window) {
        auto* reply =
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
        xcb_get_geometry_reply_t result{};
        if (reply)
            result = *reply;
        std::free(reply);
        return result;
    }

private:
    std::optional<ChildProcess> server_;
    std::string display_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

class Program : public testing::Test {
protected:
    void SetUp() override {
        if (!x.running())
            GTEST_SKIP() << "no Xvfb to run the program on";
        // Named as on Windows: the title rule must make "Migrador" of it.
        fs::copy_file(MIGRATOR_EXE, exe);
    }

    ChildProcess start(const std::vector<std::string>& arguments) { return start(exe, arguments); }

    ChildProcess start(const fs::path& program, const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{program.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return ChildProcess(argv,
                            environmentWith({"DISPLAY=" + x.display(), "QT_QPA_PLATFORM=xcb"}),
                            program.parent_path());
    }

    XServer x;
    TempFolder folder;
    fs::path exe = folder / "MIGRADOR.EXE";
};

TEST_F(Program, ClosingTheIdleWindowEndsWithCodeZeroAndTouchesNothing) {
    ChildProcess program = start({});
    const auto window = x.waitForWindow(mainCaption);
    ASSERT_TRUE(window) << "the main window never showed";

    const auto geometry = x.geometry(*window);
    EXPECT_EQ(geometry.width, 668);
    EXPECT_EQ(geometry.height, 169);
    // Fixed size: the smallest and the largest size asked of the window manager agree.
    const auto hints = x.property(*window, "WM_NORMAL_HINTS");
    ASSERT_GE(hints.size(), 9 * sizeof(std::uint32_t));
    std::uint32_t sizes[9];
    std::memcpy(sizes, hints.data(), sizeof sizes);
    EXPECT_EQ(sizes[5], 668u);
    EXPECT_EQ(sizes[6], 169u);
    EXPECT_EQ(sizes[7], 668u);
    EXPECT_EQ(sizes[8], 169u);

    x.close(*window);
    EXPECT_EQ(program.waitForExit(patience), 0);
    EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"MIGRADOR.EXE"});
}

TEST_F(Program, ClosingBeforeAPressLeavesTheInstallationAlone) {
    Installation suite;
    suite.addEverything();
    const fs::path installed = suite.folder / "MIGRADOR.EXE";
    fs::copy_file(MIGRATOR_EXE, installed);
    const auto before = suite.snapshot();

    ChildProcess program = start(installed, {});
    const auto window = x.waitForWindow(mainCaption);
    ASSERT_TRUE(window) << "the main window never showed";
    x.close(*window);

    EXPECT_EQ(program.waitForExit(patience), 0);
    EXPECT_EQ(suite.snapshot(), before);
}

TEST_F(Program, VersionSwitchShowsTheLibraryBoxBeforeTheWindow) {
    ChildProcess program = start({"-x", "/VexLonVer", "/vexlonver"});
    const auto box = x.waitForWindow("Migrador");
    ASSERT_TRUE(box) << "no version box captioned with the title";
    for (const auto& [window, title] : x.windows())
        EXPECT_NE(title, mainCaption) << "the window showed before the box was answered";
    x.close(*box);

    // Only the first switch counts: the next window is the main one.
    const auto window = x.waitForWindow(mainCaption);
    ASSERT_TRUE(window);
    for (const auto& [other, title] : x.windows())
        EXPECT_NE(title, "Migrador") << "a second version box showed";
    x.close(*window);
    EXPECT_EQ(program.waitForExit(patience), 0);
}

} // namespace
