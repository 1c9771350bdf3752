// A monkey for the real game: random keys, clicks and drags sent through XTest to the program on
// the X server in DISPLAY (an X server of its own: every window on it is the game's). Every few
// events the game's window is pinged (_NET_WM_PING, as window managers do): only the game's own
// event loop answers that, so an answer proves it still runs, not just the X server.
//
// A run ends well only when the program ends with status 0 (the goodbye box answered or the
// window closed) and reported nothing on stderr; a crash, a ping left unanswered for 2 s, a
// sanitizer report or the run-time error box fails it, with its seed and its last events.
//
//   monkey [--seed N] [--events N] [--runs N] [--seconds N] PROGRAM
//
// Run i of a campaign uses seed N + i: `--seed N+i --runs 1` replays it (as far as the game's
// timing allows).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kHangLimit = std::chrono::seconds(2);
constexpr auto kStartLimit = std::chrono::seconds(60); // a sanitized build starts slowly
constexpr std::size_t kRemembered = 25;
constexpr long kEventsPerRun = 3000; // then the monkey closes the window itself

struct Options
{
    unsigned long long seed = 0;
    long long events = 2000;
    long long runs = 1000000;
    long long seconds = 0; // 0: no time budget
    std::string program;
};

struct TopLevel
{
    Window id;
    int x, y, width, height;
    bool popup; // menus and tooltips: override-redirect
    std::string title;
};

int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0; // windows come and go under the monkey's feet
}

std::string windowTitle(Display *display, Window window)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data)
            == Success
        && data) {
        title.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
    }
    return title;
}

class Monkey
{
public:
    Monkey(Display *display, const Options &options)
        : m_display(display)
        , m_options(options)
        , m_root(DefaultRootWindow(display))
        , m_protocols(XInternAtom(display, "WM_PROTOCOLS", False))
        , m_ping(XInternAtom(display, "_NET_WM_PING", False))
        , m_delete(XInternAtom(display, "WM_DELETE_WINDOW", False))
    {
        // The game answers a ping by sending it back to the root window, to those listening for
        // its structure (Qt) or substructure (the standard's wording) changes.
        XSelectInput(display, m_root, StructureNotifyMask | SubstructureNotifyMask);
        m_screen = {DisplayWidth(display, DefaultScreen(display)),
                    DisplayHeight(display, DefaultScreen(display))};
    }

    bool timeIsUp() const { return m_deadline && Clock::now() >= *m_deadline; }

private:
    std::vector<TopLevel> topLevels() const
    {
        std::vector<TopLevel> found;
        Window rootReturn, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, m_root, &rootReturn, &parent, &children, &count))
            return found;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(m_display, children[i], &a) || a.map_state != IsViewable
                || a.c_class != InputOutput)
                continue;
            found.push_back({children[i], a.x, a.y, a.width, a.height, bool(a.override_redirect),
                             windowTitle(m_display, children[i])});
        }
        XFree(children);
        return found; // bottom to top
    }

    std::optional<TopLevel> mainWindow() const
    {
        for (const TopLevel &w : topLevels())
            if (w.title.rfind("Quorvel - ", 0) == 0)
                return w;
        return std::nullopt;
    }

    bool pongWithin(Clock::duration limit)
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == ClientMessage && event.xclient.message_type == m_protocols
                    && Atom(event.xclient.data.l[0]) == m_ping
                    && event.xclient.data.l[1] == m_stamp)
                    return true;
            }
            if (exitStatus())
                return true; // ended meanwhile: the run's end decides
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(ConnectionNumber(m_display), &readable);
            timeval wait {0, 20000};
            select(ConnectionNumber(m_display) + 1, &readable, nullptr, nullptr, &wait);
        }
        return false;
    }

    // What a hang looks like from outside: the game's threads as gdb sees them (where gdb is
    // installed), whether the game was running or waiting, the machine's load, and whether the
    // answer came late or never.
    std::string hangEvidence()
    {
        std::string evidence;
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string field;
        for (int i = 0; i < 3 && stat >> field; ++i) { }
        evidence += "the game's state: " + field;
        std::ifstream load("/proc/loadavg");
        std::string average;
        std::getline(load, average);
        evidence += ", load average " + average + "\n";
        const std::string gdb = "gdb -p " + std::to_string(m_pid)
            + " -batch -ex 'thread apply all bt 12' 2>/dev/null | grep -E '^(Thread|#)' | head -60";
        if (FILE *out = popen(gdb.c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, out))
                evidence += std::string("  ") + line;
            pclose(out);
        }
        const auto waited = Clock::now();
        if (!pongWithin(std::chrono::seconds(20)))
            return evidence + "no answer 20 s later either\n";
        const auto late
            = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - waited);
        evidence
            += "it answered " + std::to_string(late.count()) + " ms after the stacks were taken\n";
        return evidence;
    }

    void remember(const std::string &what)
    {
        m_last.push_back(std::to_string(m_events) + " " + what);
        if (m_last.size() > kRemembered)
            m_last.pop_front();
    }

    void key(KeySym symbol, bool alt = false)
    {
        const KeyCode code = XKeysymToKeycode(m_display, symbol);
        const KeyCode altCode = XKeysymToKeycode(m_display, XK_Alt_L);
        remember(std::string("key ") + (alt ? "Alt+" : "") + XKeysymToString(symbol));
        if (alt)
            XTestFakeKeyEvent(m_display, altCode, True, 0);
        XTestFakeKeyEvent(m_display, code, True, 0);
        XTestFakeKeyEvent(m_display, code, False, 0);
        if (alt)
            XTestFakeKeyEvent(m_display, altCode, False, 0);
    }

    void clickAt(int x, int y, unsigned button)
    {
        remember("click " + std::to_string(button) + " at " + std::to_string(x) + ","
                 + std::to_string(y));
        XTestFakeMotionEvent(m_display, -1, x, y, 0);
        XTestFakeButtonEvent(m_display, button, True, 0);
        XTestFakeButtonEvent(m_display, button, False, 0);
    }

    void dragFrom(int x, int y, int toX, int toY)
    {
        remember("drag " + std::to_string(x) + "," + std::to_string(y) + " to "
                 + std::to_string(toX) + "," + std::to_string(toY));
        XTestFakeMotionEvent(m_display, -1, x, y, 0);
        XTestFakeButtonEvent(m_display, 1, True, 0);
        const int steps = uniform(1, 6);
        for (int i = 1; i <= steps; ++i) {
            XTestFakeMotionEvent(m_display, -1, x + (toX - x) * i / steps,
                                 y + (toY - y) * i / steps, 0);
            XSync(m_display, False);
            usleep(useconds_t(uniform(0, 8000)));
        }
        XTestFakeButtonEvent(m_display, 1, False, 0);
    }

    // A WM_PROTOCOLS message, as a window manager sends one.
    void sendProtocol(Window window, Atom protocol, long time, long extra = 0)
    {
        XEvent message {};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = m_protocols;
        message.xclient.format = 32;
        message.xclient.data.l[0] = long(protocol);
        message.xclient.data.l[1] = time;
        message.xclient.data.l[2] = extra;
        XSendEvent(m_display, window, False, NoEventMask, &message);
    }

    void closeWindow(Window window)
    {
        remember("close " + windowTitle(m_display, window));
        sendProtocol(window, m_delete, CurrentTime);
    }

    void throwOne(const std::vector<TopLevel> &windows)
    {
        static const KeySym keys[]
            = {XK_0,   XK_1,    XK_2,     XK_3,      XK_4,    XK_5,         XK_6,
               XK_7,   XK_8,    XK_9,     XK_a,      XK_e,    XK_n,         XK_x,
               XK_s,   XK_q,    XK_z,     XK_Return, XK_Tab,  XK_BackSpace, XK_Escape,
               XK_F10, XK_Left, XK_Right, XK_Up,     XK_Down, XK_space,     XK_KP_Enter};
        const TopLevel &target = windows[std::size_t(uniform(0, int(windows.size()) - 1))];
        const auto inside = [&](const TopLevel &w) {
            return std::pair {w.x + uniform(0, w.width - 1), w.y + uniform(0, w.height - 1)};
        };
        // Per mille; the ways out (E&xit, a window's close) are rare, so that runs go deep.
        const int kind = uniform(0, 999);
        if (kind < 300) {
            key(keys[uniform(0, std::size(keys) - 1)]);
        } else if (kind < 345) {
            key(kind < 340 ? XK_n : XK_x, true); // "&Nuovo calcolo", "E&xit"
        } else if (kind < 605) {
            const auto [x, y] = inside(target);
            clickAt(x, y, chance(0.85) ? 1 : 3);
        } else if (kind < 705) {
            // The menu bar: "INFORMAZIONI" and "nuovo" sit at its left.
            if (const auto main = mainWindow())
                clickAt(main->x + uniform(0, 200), main->y + uniform(0, 22), 1);
        } else if (kind < 805) {
            const auto [x, y] = inside(target);
            dragFrom(x, y, uniform(-50, m_screen.first + 50), uniform(-50, m_screen.second + 50));
        } else if (kind < 965) {
            clickAt(uniform(0, m_screen.first - 1), uniform(0, m_screen.second - 1), 1);
        } else if (kind < 998) {
            // Two clicks in quick succession where the first one landed.
            const auto [x, y] = inside(target);
            clickAt(x, y, 1);
            XSync(m_display, False);
            usleep(useconds_t(uniform(0, 50000)));
            clickAt(x + uniform(-40, 40), y + uniform(-40, 40), 1);
        } else if (!target.popup) {
            closeWindow(target.id); // as a window manager's close button would
        }
    }

    std::optional<int> exitStatus(bool wait = false)
    {
        if (m_pid <= 0)
            return m_status;
        int raw = 0;
        const pid_t done = waitpid(m_pid, &raw, wait ? 0 : WNOHANG);
        if (done != m_pid)
            return std::nullopt;
        m_pid = -1;
        m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return m_status;
    }

    std::string reportOnStderr() const
    {
        std::ifstream in(m_stderrPath);
        std::string line, found;
        static const char *marks[]
            = {"AddressSanitizer", "LeakSanitizer", "runtime error:", "UndefinedBehaviorSanitizer",
               "errore di run-time"};
        while (std::getline(in, line))
            for (const char *mark : marks)
                if (line.find(mark) != std::string::npos && found.size() < 4000)
                    found += "  | " + line + "\n";
        return found;
    }

    bool failed(const std::string &why)
    {
        std::fprintf(stderr, "monkey: FAIL seed %llu after %ld events: %s\nlast events:\n", m_seed,
                     m_events, why.c_str());
        for (const std::string &event : m_last)
            std::fprintf(stderr, "  %s\n", event.c_str());
        std::ifstream in(m_stderrPath);
        std::stringstream all;
        all << in.rdbuf();
        const std::string text = all.str();
        std::fprintf(stderr, "the game's stderr (last 6000 bytes):\n%s\n",
                     text.substr(text.size() > 6000 ? text.size() - 6000 : 0).c_str());
        if (m_pid > 0) {
            kill(m_pid, SIGABRT); // a core or a stack from the sanitizer, where one is set up
            usleep(500000);
            kill(m_pid, SIGKILL);
            exitStatus(true);
        }
        return false;
    }

    // Leaves the game the way a pupil would at the end of a lesson: menus closed with Escape, the
    // question or the goodbye box answered with Enter, then the window closed. True once it ended.
    bool endRun()
    {
        for (int attempt = 0; attempt < 100 && !exitStatus(); ++attempt) {
            bool boxOpen = false;
            for (const TopLevel &w : topLevels())
                boxOpen |= w.title == "INIZIARE NUOVA GARA" || w.title.rfind("Data ", 0) == 0;
            const auto main = mainWindow();
            if (attempt % 3 == 0)
                key(XK_Escape);
            else if (boxOpen && attempt % 3 == 1)
                key(XK_Return); // the goodbye box's only button, the question's default "No"
            else if (main)
                closeWindow(main->id);
            XSync(m_display, False);
            usleep(100000);
        }
        // The sanitizers' checks at exit take a while.
        for (int wait = 0; wait < 300 && !exitStatus(); ++wait)
            usleep(100000);
        return exitStatus().has_value();
    }

public:
    // One run from start to end; false (after saying why) when it did not end well.
    bool run(unsigned long long seed, long maxEvents, long &thrown)
    {
        m_seed = seed;
        m_random.seed(seed);
        m_events = 0;
        m_last.clear();
        m_sawGoodbye = false;
        m_status.reset();
        char path[] = "/tmp/monkey-stderr-XXXXXX";
        const int fd = mkstemp(path);
        m_stderrPath = path;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fd, STDERR_FILENO);
            execl(m_options.program.c_str(), m_options.program.c_str(), nullptr);
            _exit(127);
        }
        close(fd);

        const auto started = Clock::now();
        while (!mainWindow()) {
            if (exitStatus())
                return failed("the program ended before its window showed");
            if (Clock::now() - started > kStartLimit)
                return failed("no window after 60 s");
            usleep(50000);
        }

        auto lastWindowSeen = Clock::now();
        int untilPing = 1;
        while (!exitStatus()) {
            const std::vector<TopLevel> windows = topLevels();
            for (const TopLevel &w : windows) {
                // Qt adds " — quorvel" to every title on X; the error box is called just "Quorvel".
                if (w.title.rfind("Quorvel", 0) == 0 && w.title.rfind("Quorvel - ", 0) != 0)
                    return failed("the run-time error box showed");
                m_sawGoodbye |= w.title.rfind("Data ", 0) == 0;
            }
            if (windows.empty()) {
                if (Clock::now() - lastWindowSeen > std::chrono::seconds(5))
                    return failed("no window for 5 s, and the program still runs");
                usleep(20000);
                continue;
            }
            lastWindowSeen = Clock::now();
            if (--untilPing == 0) {
                untilPing = uniform(3, 10);
                // A ping lost with its window (a new contest replaces the window) proves nothing
                // either way: ping the window there is now.
                bool answered = false;
                for (int attempt = 0; attempt < 3 && !answered; ++attempt) {
                    const auto main = mainWindow();
                    const std::vector<TopLevel> now = topLevels();
                    if (!main && now.empty())
                        break; // between windows: the check for no window at all decides
                    const Window target = main ? main->id : now.back().id;
                    sendProtocol(target, m_ping, ++m_stamp, long(target));
                    XFlush(m_display);
                    answered = pongWithin(kHangLimit);
                    XWindowAttributes a;
                    if (!answered && XGetWindowAttributes(m_display, target, &a)
                        && a.map_state == IsViewable)
                        return failed("the game did not answer a ping within 2 s (window \""
                                      + windowTitle(m_display, target) + "\")\n" + hangEvidence());
                }
                if (!answered && !topLevels().empty())
                    return failed("no window of the game answered a ping");
            }
            if (m_events >= maxEvents || timeIsUp()) {
                remember("end of the run's events");
                if (!endRun()) {
                    std::string left;
                    for (const TopLevel &w : topLevels())
                        left += " \"" + w.title + "\"";
                    return failed("the game did not end when closed; its windows:" + left);
                }
                break;
            }
            throwOne(windows);
            ++m_events;
            ++thrown;
            XSync(m_display, False);
            usleep(useconds_t(uniform(0, 15000)));
        }

        const std::optional<int> status = exitStatus(true);
        const std::string reports = reportOnStderr();
        if (!status)
            return failed("the program could not be ended");
        if (*status != 0)
            return failed("exit status " + std::to_string(*status));
        if (!reports.empty())
            return failed("reports on stderr:\n" + reports);
        std::printf("monkey: run seed %llu: %ld events, ended well (%s)\n", seed, m_events,
                    m_sawGoodbye ? "goodbye box seen" : "window closed");
        std::fflush(stdout);
        std::remove(m_stderrPath.c_str());
        return true;
    }

private:
    Display *m_display;
    const Options &m_options;
    Window m_root;
    Atom m_protocols, m_ping, m_delete;
    std::pair<int, int> m_screen;
    std::mt19937_64 m_random;
    unsigned long long m_seed = 0;
    pid_t m_pid = -1;
    std::string m_stderrPath;
    std::deque<std::string> m_last;
    long m_stamp = 0;
    long m_events = 0;
    bool m_sawGoodbye = false;
    std::optional<int> m_status;

public:
    std::optional<Clock::time_point> m_deadline; // the campaign's, if it has one

    int uniform(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
};

std::optional<Options> parse(int argc, char **argv)
{
    Options o;
    o.seed = std::random_device {}();
    long long seed = -1;
    const std::pair<std::string, long long *> numbers[] = {
        {"--seed", &seed}, {"--events", &o.events}, {"--runs", &o.runs}, {"--seconds", &o.seconds}};
    for (int i = 1; i < argc; ++i) {
        const auto number = std::find_if(std::begin(numbers), std::end(numbers),
                                         [&](const auto &n) { return n.first == argv[i]; });
        if (number != std::end(numbers) && i + 1 < argc)
            *number->second = std::strtoll(argv[++i], nullptr, 10);
        else if (o.program.empty() && argv[i][0] != '-')
            o.program = argv[i];
        else
            return std::nullopt;
    }
    if (seed >= 0)
        o.seed = static_cast<unsigned long long>(seed);
    return o.program.empty() ? std::nullopt : std::optional(o);
}

} // namespace

int main(int argc, char **argv)
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: monkey [--seed N] [--events N] [--runs N] [--seconds N] PROGRAM\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    int eventBase, errorBase, major, minor;
    if (!display || !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "monkey: no X server with XTest in DISPLAY\n");
        return 2;
    }
    XSetErrorHandler(ignoreXErrors);
    std::printf("monkey: seed %llu, at most %lld events in %lld runs%s, program %s\n",
                options->seed, options->events, options->runs,
                options->seconds ? (", " + std::to_string(options->seconds) + " s").c_str() : "",
                options->program.c_str());
    std::fflush(stdout);

    Monkey monkey(display, *options);
    const auto started = Clock::now();
    if (options->seconds)
        monkey.m_deadline = started + std::chrono::seconds(options->seconds);
    long thrown = 0, runs = 0;
    while (runs < options->runs && thrown < options->events && !monkey.timeIsUp()) {
        const long budget = long(std::min<long long>(kEventsPerRun, options->events - thrown));
        if (!monkey.run(options->seed + runs, budget, thrown))
            return 1;
        ++runs;
    }
    const auto minutes
        = std::chrono::duration<double, std::ratio<60>>(Clock::now() - started).count();
    std::printf("monkey: %ld events in %ld runs, %.1f minutes, every run ended well\n", thrown,
                runs, minutes);
    return 0;
}
