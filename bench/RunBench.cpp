// The whole migration as a user runs it: the shipped executable, beside a sample
// installation whose database is of the size given, started as a shell starts it on an X
// server of the benchmark's own. The benchmark's own X client plays the user: it gives the
// window the keyboard focus, as a window manager would, presses Enter on the focused
// "Iniciar" button and Enter again on the closing box, as real X input through the XTEST
// extension. The time runs from the start of the process to its end, against cp followed
// by sync of the same database.
//
//   run-bench FOLDER SIZE_MIB

#include "BenchSupport.h"
#include "Installation.h"
#include "XDisplay.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <poll.h>

namespace fs = std::filesystem;

namespace {

const std::string mainCaption = "Atualizador para versão 9.3.13.x";
constexpr int patienceMs = 120'000;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

class XServer {
public:
    XServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const std::string command = "exec Xvfb -displayfd " + std::to_string(fds[1]) +
                                    " -nolisten tcp -screen 0 1280x1024x24 2>/dev/null";
        server_.emplace(std::vector<std::string>{"/bin/sh", "-c", command}, ".",
                        bench::environment(), fds[1]);
        ::close(fds[1]);
        display_ = displayFromPipe(fds[0], std::chrono::milliseconds(patienceMs));
        if (display_.empty())
            return;
        connection_ = xcb_connect(display_.c_str(), nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        root_ = xcb_setup_roots_iterator(setup).data->root;
        const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &events);
        returnKey_ = keycodeOf(setup, 0xff0d); // XK_Return
        Reply<xcb_test_get_version_reply_t> xtest(
            xcb_test_get_version_reply(connection_, xcb_test_get_version(connection_, 2, 2),
                                       nullptr),
            &std::free);
        ready_ = xtest && returnKey_ != 0;
    }
    ~XServer() {
        if (connection_)
            xcb_disconnect(connection_);
    }

    bool ready() const { return ready_; }
    const std::string& display() const { return display_; }

    // The next top-level window mapped, with its title; nothing when none comes in time.
    std::optional<std::pair<xcb_window_t, std::string>> nextWindow() {
        for (;;) {
            Reply<xcb_generic_event_t> event(xcb_poll_for_event(connection_), &std::free);
            if (!event) {
                if (xcb_connection_has_error(connection_))
                    return std::nullopt;
                pollfd x{xcb_get_file_descriptor(connection_), POLLIN, 0};
                if (::poll(&x, 1, patienceMs) <= 0)
                    return std::nullopt;
                continue;
            }
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                continue;
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            if (!map->override_redirect)
                return std::pair{map->window, title(map->window)};
        }
    }

    // What the user does: the window takes the keyboard focus, and Enter is pressed.
    void pressEnter(xcb_window_t window) {
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        xcb_test_fake_input(connection_, XCB_KEY_PRESS, returnKey_, XCB_CURRENT_TIME, XCB_NONE, 0,
                            0, 0);
        xcb_test_fake_input(connection_, XCB_KEY_RELEASE, returnKey_, XCB_CURRENT_TIME, XCB_NONE, 0,
                            0, 0);
        xcb_flush(connection_);
    }

private:
    xcb_keycode_t keycodeOf(const xcb_setup_t* setup, xcb_keysym_t wanted) {
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Reply<xcb_get_keyboard_mapping_reply_t> mapping(
            xcb_get_keyboard_mapping_reply(
                connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count),
                nullptr),
            &std::free);
        if (!mapping)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        const int perCode = mapping->keysyms_per_keycode;
        for (int code = 0; code < count; ++code)
            for (int i = 0; i < perCode; ++i)
                if (syms[code * perCode + i] == wanted)
                    return static_cast<xcb_keycode_t>(setup->min_keycode + code);
        return 0;
    }

    std::string title(xcb_window_t window) {
        static const char name[] = "_NET_WM_NAME";
        Reply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(
                connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr),
            &std::free);
        if (!atom)
            return {};
        Reply<xcb_get_property_reply_t> property(
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window, atom->atom,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                   nullptr),
            &std::free);
        if (!property)
            return {};
        const auto* text = static_cast<const char*>(xcb_get_property_value(property.get()));
        return std::string(text, xcb_get_property_value_length(property.get()));
    }

    std::optional<bench::Process> server_;
    std::string display_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_keycode_t returnKey_ = 0;
    bool ready_ = false;
};

// Where the time of one run goes: from the start to the main window shown, from the press
// to the box shown, and from the answer to the end.
struct Phases {
    std::vector<double> shown, ran, ended;
};

// One run of the tool: the press when the main window shows, the answer when the box does.
bench::Run runTool(XServer& x, const fs::path& exe, const std::vector<std::string>& env,
                   Phases& phases) {
    const auto start = std::chrono::steady_clock::now();
    auto pressedAt = start, answeredAt = start;
    bench::Process tool({exe.string()}, exe.parent_path().string(), env);
    bool pressed = false, answered = false;
    while (!answered) {
        const auto window = x.nextWindow();
        if (!window)
            break;
        if (!pressed && window->second == mainCaption) {
            pressedAt = std::chrono::steady_clock::now();
            x.pressEnter(window->first);
            pressed = true;
        } else if (pressed) {
            answeredAt = std::chrono::steady_clock::now();
            x.pressEnter(window->first);
            answered = true;
        }
    }
    if (!answered)
        return {};
    const bench::Run run = tool.wait();
    phases.shown.push_back(bench::seconds(pressedAt - start));
    phases.ran.push_back(bench::seconds(answeredAt - pressedAt));
    phases.ended.push_back(run.seconds - bench::seconds(answeredAt - start));
    return run;
}

} // namespace

int main(int argc, char** argv) {
    // Line by line, so that the figures show as they come, in order with what the
    // programs run print.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE_MIB\n", argv[0]);
        return 2;
    }
    const fs::path migrador = MIGRADOR;
    const std::string folder = fs::absolute(argv[1]).string();
    const std::size_t mib = std::strtoull(argv[2], nullptr, 10);
    const int rounds = bench::roundsFromEnvironment(9);

    std::printf("== the whole run on a %zu MiB database: the executable from start to end\n", mib);
    const double needed = 2.0 * (mib << 20) + (512 << 20);
    if (bench::freeBytes(folder) < needed) {
        std::printf("  skipped: %.1f GiB free in %s, %.1f GiB needed\n",
                    bench::freeBytes(folder) / (1 << 30), folder.c_str(), needed / (1 << 30));
        return 0;
    }
    XServer x;
    if (!x.ready()) {
        std::fprintf(stderr, "no Xvfb with the XTEST extension to run the tool on\n");
        return 1;
    }

    // A user's session: the display, and a runtime folder of the user's own.
    std::vector<std::string> with{"DISPLAY=" + x.display()};
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const fs::path runtime = fs::path(folder) / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        with.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    }
    const auto env = bench::environment({"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}, with);

    // Written once and linked into each round's installation: the run renames it and
    // copies it, as cp copies it.
    ::setenv("TMPDIR", folder.c_str(), 1);
    const std::string master = folder + "/master.gdb";
    const std::string peer = folder + "/peer.fdb";
    if (!bench::writePattern(master, mib << 20)) {
        std::fprintf(stderr, "cannot write %s\n", master.c_str());
        return 1;
    }
    std::unique_ptr<Installation> suite;
    Phases phases;
    const bench::Contender ours{
        "ours",
        [&] {
            suite.reset();
            suite = std::make_unique<Installation>();
            suite->addModules(true, true, true);
            fs::create_hard_link(master, suite->folder / Installation::databaseName);
            suite->addAllSettings(suite->databasePath());
            fs::copy_file(migrador, suite->folder / "migrador");
            ::sync();
        },
        [&] {
            bench::Run run = runTool(x, suite->folder / "migrador", env, phases);
            run.ok = run.ok && suite->exists(Installation::newDatabaseName);
            return run;
        }};
    const std::vector<bench::Contender> peers{
        {"cp + sync FILE",
         [&] {
             ::unlink(peer.c_str());
             ::sync();
         },
         [&] {
             return bench::runInTurn({{"cp", master, peer}, {"sync", peer}});
         }}};
    const bench::Comparison c = bench::compare(ours, peers, rounds);
    suite.reset();
    ::unlink(peer.c_str());
    ::unlink(master.c_str());
    if (!c.ok)
        return 1;
    bench::print(c, "whole run, ours", peers);
    if (mib == 1024)
        bench::ratioTarget(c, 0, "whole run <= 0.85 of cp + sync FILE at 1 GiB", 0.85);
    if (mib == 1) {
        const double fixed = bench::spread(c.ours).median * 1000;
        std::printf("  fixed part (start-up, first paint, settings, box, shut-down): %.1f ms\n",
                    fixed);
        // The warm-up round is not counted.
        const auto part = [](const char* what, std::vector<double> values) {
            values.erase(values.begin());
            const bench::Spread s = bench::spread(values);
            std::printf("    %-34s %6.1f ms (min %.1f, max %.1f)\n", what, s.median * 1000,
                        s.min * 1000, s.max * 1000);
        };
        part("start to the window shown", phases.shown);
        part("press to the box shown", phases.ran);
        part("answer to the end of the process", phases.ended);
        bench::target("fixed part <= 60 ms", fixed <= 60);
    }
    bench::target("peak memory of the run below 40 MiB", c.oursPeakMiB < 40);
    return 0;
}
