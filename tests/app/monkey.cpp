// A monkey for the real game: random keys, clicks and drags sent through XTest to the program on
// the X server in DISPLAY (an X server of its own: every window on it is the game's).
//
// A run ends well only when the program, closed at the end as a pupil closes it, ends with status
// 0. That one invariant stands for the rest: a crash, a sanitizer's report (fatal in the sanitized
// build) and the run-time error box all end it otherwise, and a game that hangs or freezes never
// ends. A run that fails prints its seed.
//
//   monkey SEED SECONDS PROGRAM
//
// Runs of at most 3000 events follow each other until SECONDS have passed; run i uses seed
// SEED + i, so that `monkey SEED+i ...` replays it first (as far as the game's timing allows).

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct TopLevel
{
    Window id;
    int x, y, width, height;
    bool popup; // menus and tooltips: override-redirect
};

class Monkey
{
public:
    Monkey(Display *display, const char *program)
        : m_program(program)
        , m_display(display)
    { }

    Clock::time_point deadline; // the campaign's

    // One run from start to end; false (after saying why) when it did not end well.
    bool run(unsigned long long seed)
    {
        m_seed = seed;
        m_random.seed(seed);
        m_events = 0;
        m_status.reset();
        if ((m_pid = fork()) == 0) {
            execl(m_program, m_program, nullptr);
            _exit(127);
        }
        if (!waitFor([this] { return exitStatus() || mainWindow(); }) || !mainWindow())
            return failed("no window of the game showed");

        while (m_events < 3000 && !exitStatus() && Clock::now() < deadline) {
            const std::vector<TopLevel> windows = topLevels();
            if (windows.empty()) {
                // Between two windows (a new contest replaces the window), or none left at all.
                if (!waitFor([this] { return exitStatus() || !topLevels().empty(); }))
                    return failed("no window, and the program still runs");
                continue;
            }
            throwOne(windows);
            ++m_events;
            pause(15000);
        }
        if (!exitStatus() && !endRun())
            return failed("the game did not end when closed");
        if (*m_status != 0)
            return failed("exit status " + std::to_string(*m_status));
        std::printf("monkey: run seed %llu: %ld events, ended well\n", seed, m_events);
        std::fflush(stdout);
        return true;
    }

private:
    // Generous: a sanitized game on a loaded machine is slow, a hung one never answers.
    template<typename Condition> bool waitFor(Condition done)
    {
        for (const auto limit = Clock::now() + std::chrono::seconds(30); !done(); usleep(20000))
            if (Clock::now() > limit)
                return false;
        return true;
    }

    std::vector<TopLevel> topLevels() const // bottom to top
    {
        std::vector<TopLevel> found;
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, m_root, &root, &parent, &children, &count))
            return found;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(m_display, children[i], &a) && a.map_state == IsViewable
                && a.c_class == InputOutput)
                found.push_back(
                    {children[i], a.x, a.y, a.width, a.height, bool(a.override_redirect)});
        }
        XFree(children);
        return found;
    }

    std::optional<TopLevel> mainWindow() const
    {
        for (const TopLevel &w : topLevels()) {
            char *name = nullptr;
            // Qt writes WM_NAME in UTF-8, as _NET_WM_NAME.
            const bool main = XFetchName(m_display, w.id, &name) && name
                && std::strncmp(name, "Quorvel - ", 10) == 0;
            XFree(name);
            if (main)
                return w;
        }
        return std::nullopt;
    }

    // What a window manager's close button sends.
    void close(Window window)
    {
        XEvent message {};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = m_protocols;
        message.xclient.format = 32;
        message.xclient.data.l[0] = long(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        XSendEvent(m_display, window, False, NoEventMask, &message);
    }

    void key(KeySym symbol, bool alt = false)
    {
        const KeyCode altCode = XKeysymToKeycode(m_display, XK_Alt_L);
        const KeyCode code = XKeysymToKeycode(m_display, symbol);
        if (alt)
            XTestFakeKeyEvent(m_display, altCode, True, 0);
        XTestFakeKeyEvent(m_display, code, True, 0);
        XTestFakeKeyEvent(m_display, code, False, 0);
        if (alt)
            XTestFakeKeyEvent(m_display, altCode, False, 0);
    }

    void click(int x, int y, unsigned button = 1)
    {
        XTestFakeMotionEvent(m_display, -1, x, y, 0);
        XTestFakeButtonEvent(m_display, button, True, 0);
        XTestFakeButtonEvent(m_display, button, False, 0);
    }

    void pause(int most)
    {
        XSync(m_display, False);
        usleep(useconds_t(uniform(0, most)));
    }

    void throwOne(const std::vector<TopLevel> &windows)
    {
        static const KeySym keys[]
            = {XK_0,   XK_1,    XK_2,     XK_3,      XK_4,    XK_5,         XK_6,
               XK_7,   XK_8,    XK_9,     XK_a,      XK_e,    XK_n,         XK_x,
               XK_s,   XK_q,    XK_z,     XK_Return, XK_Tab,  XK_BackSpace, XK_Escape,
               XK_F10, XK_Left, XK_Right, XK_Up,     XK_Down, XK_space,     XK_KP_Enter};
        const TopLevel &w = windows[std::size_t(uniform(0, int(windows.size()) - 1))];
        const int x = w.x + uniform(0, w.width - 1), y = w.y + uniform(0, w.height - 1);
        // Per mille; the ways out (E&xit, a window's close) are rare, so that runs go deep.
        const int kind = uniform(0, 999);
        if (kind < 300) {
            key(keys[uniform(0, std::size(keys) - 1)]);
        } else if (kind < 345) {
            key(kind < 340 ? XK_n : XK_x, true); // "&Nuovo calcolo", "E&xit"
        } else if (kind < 605) {
            click(x, y, uniform(0, 99) < 85 ? 1 : 3);
        } else if (kind < 705) {
            // The menu bar: "INFORMAZIONI" and "nuovo" sit at its left.
            if (const auto main = mainWindow())
                click(main->x + uniform(0, 200), main->y + uniform(0, 22));
        } else if (kind < 805) {
            // A drag, in a few steps, to anywhere near the screen.
            const int toX = uniform(-50, m_width + 50), toY = uniform(-50, m_height + 50);
            XTestFakeMotionEvent(m_display, -1, x, y, 0);
            XTestFakeButtonEvent(m_display, 1, True, 0);
            for (int i = 1, steps = uniform(1, 6); i <= steps; ++i) {
                XTestFakeMotionEvent(m_display, -1, x + (toX - x) * i / steps,
                                     y + (toY - y) * i / steps, 0);
                pause(8000);
            }
            XTestFakeButtonEvent(m_display, 1, False, 0);
        } else if (kind < 965) {
            click(uniform(0, m_width - 1), uniform(0, m_height - 1));
        } else if (kind < 998) {
            // Two clicks in quick succession where the first one landed.
            click(x, y);
            pause(50000);
            click(x + uniform(-40, 40), y + uniform(-40, 40));
        } else if (!w.popup) {
            close(w.id);
        }
    }

    std::optional<int> exitStatus(bool wait = false)
    {
        int raw = 0;
        if (m_pid > 0 && waitpid(m_pid, &raw, wait ? 0 : WNOHANG) == m_pid) {
            m_pid = -1;
            m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        }
        return m_status;
    }

    // Leaves the game the way a pupil would at the end of a lesson: menus closed with Escape, the
    // question or the goodbye box answered with Enter (the goodbye's only button, the question's
    // default "No"), then the window closed. True once it ended.
    bool endRun()
    {
        for (int attempt = 0; attempt < 100 && !exitStatus(); ++attempt) {
            const auto main = mainWindow();
            if (attempt % 3 != 2)
                key(attempt % 3 ? XK_Return : XK_Escape);
            else if (main)
                close(main->id);
            XSync(m_display, False);
            usleep(100000);
        }
        // The sanitizers' checks at exit take a while.
        return waitFor([this] { return exitStatus().has_value(); });
    }

    bool failed(const std::string &why)
    {
        std::fprintf(stderr, "monkey: FAIL seed %llu after %ld events: %s\n", m_seed, m_events,
                     why.c_str());
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            exitStatus(true);
        }
        return false;
    }

    int uniform(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }

    const char *m_program;
    Display *m_display;
    Window m_root = DefaultRootWindow(m_display);
    Atom m_protocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
    int m_width = DisplayWidth(m_display, DefaultScreen(m_display));
    int m_height = DisplayHeight(m_display, DefaultScreen(m_display));
    std::mt19937_64 m_random;
    unsigned long long m_seed = 0;
    pid_t m_pid = -1;
    long m_events = 0;
    std::optional<int> m_status;
};

} // namespace

int main(int argc, char **argv)
{
    int eventBase, errorBase, major, minor;
    Display *display = XOpenDisplay(nullptr);
    if (argc != 4 || !display
        || !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr,
                     "usage: monkey SEED SECONDS PROGRAM, on an X server with XTest in "
                     "DISPLAY\n");
        return 2;
    }
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; }); // windows come and go
    Monkey monkey(display, argv[3]);
    monkey.deadline = Clock::now() + std::chrono::seconds(std::atoll(argv[2]));
    // Each run ends as the monkey closes the game itself.
    for (auto seed = std::strtoull(argv[1], nullptr, 10); Clock::now() < monkey.deadline; ++seed)
        if (!monkey.run(seed))
            return 1;
    return 0;
}
