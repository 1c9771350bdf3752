// Watches a program from outside, as the pupil does: starts it, waits on the X server until a
// pixel of its top-level window shows a given colour, and prints how long that took from just
// before the program was started. Optionally it then lets the program run on and reports its
// peak memory and what it costs while nobody touches it. Plain Xlib, so that the watcher loads
// nothing the watched program would have to share or wait for.
//
//   frame_watch [--width W] --pixel X,Y --colour RRGGBB [--timeout S]
//               [--hold S] [--idle S] -- PROGRAM [ARG...]
//
// X or Y below zero count from the right or bottom edge. --width picks the top-level window of
// that width (other windows, such as the wizard's, are ignored). --hold waits until S seconds
// after the start and reports the peak resident memory; --idle then samples the CPU time and the
// context switches of all the program's threads over S seconds.
//
// Prints key=value lines (frame_ms: on the clock; cpu_ms: the CPU time the program's threads used
// until then, those that have ended included); exits 1, saying why on stderr, whenever it cannot
// measure.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t g_child = 0;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "frame_watch: %s\n", what);
    if (g_child > 0) {
        kill(g_child, SIGKILL);
        waitpid(g_child, nullptr, 0);
    }
    std::exit(1);
}

double now()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Windows vanish while we look at them (the program closes one): such errors are expected.
int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

struct Options
{
    int width = -1;
    int x = 0;
    int y = 0;
    unsigned long colour = 0;
    bool havePixel = false;
    bool haveColour = false;
    double timeout = 20;
    double hold = 0;
    double idle = 0;
    char **program = nullptr;
};

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc)
                fail(("missing value after " + arg).c_str());
            return argv[++i];
        };
        if (arg == "--width")
            o.width = std::atoi(value());
        else if (arg == "--pixel")
            o.havePixel = std::sscanf(value(), "%d,%d", &o.x, &o.y) == 2;
        else if (arg == "--colour")
            o.haveColour = std::sscanf(value(), "%lx", &o.colour) == 1;
        else if (arg == "--timeout")
            o.timeout = std::atof(value());
        else if (arg == "--hold")
            o.hold = std::atof(value());
        else if (arg == "--idle")
            o.idle = std::atof(value());
        else if (arg == "--") {
            o.program = argv + i + 1;
            break;
        } else
            fail(("unknown option " + arg).c_str());
    }
    if (!o.havePixel || !o.haveColour || !o.program || !o.program[0])
        fail("usage: frame_watch [--width W] --pixel X,Y --colour RRGGBB [--timeout S] "
             "[--hold S] [--idle S] -- PROGRAM [ARG...]");
    return o;
}

struct Watched
{
    Damage damage = 0;
    bool mapped = false;
};

bool showsColour(Display *display, Window window, const Options &o)
{
    XWindowAttributes attributes {};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    const int x = o.x < 0 ? attributes.width + o.x : o.x;
    const int y = o.y < 0 ? attributes.height + o.y : o.y;
    if (x < 0 || y < 0 || x >= attributes.width || y >= attributes.height)
        return false;
    XImage *image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return false;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel == o.colour;
}

void waitForFrame(Display *display, const Options &o, double start)
{
    const Window root = DefaultRootWindow(display);
    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError))
        fail("the X server has no DAMAGE extension");
    std::map<Window, Watched> windows;
    const int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            Window changed = 0;
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                if (o.width < 0 || event.xcreatewindow.width == o.width) {
                    const Window w = event.xcreatewindow.window;
                    windows[w].damage = XDamageCreate(display, w, XDamageReportNonEmpty);
                }
            } else if (event.type == ConfigureNotify && event.xconfigure.event == root) {
                // Qt may create a window at one size and resize it before mapping it.
                const Window w = event.xconfigure.window;
                if (!windows.count(w) && (o.width < 0 || event.xconfigure.width == o.width))
                    windows[w].damage = XDamageCreate(display, w, XDamageReportNonEmpty);
            } else if (event.type == MapNotify && event.xmap.event == root) {
                auto found = windows.find(event.xmap.window);
                if (found != windows.end()) {
                    found->second.mapped = true;
                    changed = found->first;
                }
            } else if (event.type == damageEvent + XDamageNotify) {
                const auto *notify = reinterpret_cast<XDamageNotifyEvent *>(&event);
                XDamageSubtract(display, notify->damage, None, None);
                changed = notify->drawable;
            }
            if (changed && windows.count(changed) && windows[changed].mapped
                && showsColour(display, changed, o))
                return;
        }
        const double left = start + o.timeout - now();
        if (left <= 0)
            fail("timed out: the pixel never showed the colour");
        int status = 0;
        if (waitpid(g_child, &status, WNOHANG) == g_child) {
            g_child = 0;
            fail("the program ended before the pixel showed the colour");
        }
        pollfd p {fd, POLLIN, 0};
        poll(&p, 1, int(std::min(left, 0.1) * 1000) + 1);
    }
}

long procStatusKiB(const char *key)
{
    const std::string path = "/proc/" + std::to_string(g_child) + "/status";
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        fail("cannot read the program's /proc status");
    char line[256];
    long value = -1;
    const size_t length = std::strlen(key);
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, key, length) == 0 && line[length] == ':')
            value = std::atol(line + length + 1);
    }
    std::fclose(file);
    if (value < 0)
        fail("the program's /proc status lacks a field");
    return value;
}

// CPU time the whole process has used so far, in milliseconds, threads that have ended included
// (their /proc entries go with them, and /proc's own totals count in 10 ms ticks): unlike the
// time on the clock, it hardly depends on what else the machine is doing.
double cpuMs()
{
    clockid_t clock {};
    timespec t {};
    if (clock_getcpuclockid(g_child, &clock) != 0 || clock_gettime(clock, &t) != 0)
        fail("cannot read the program's CPU time");
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// CPU seconds of the whole process, and the voluntary context switches of all its threads: every
// time a thread sleeps and wakes again counts once (being preempted by a busy machine does not).
struct Usage
{
    double cpuSeconds = 0;
    long switches = 0;
};

Usage usage()
{
    Usage u;
    u.cpuSeconds = cpuMs() / 1000;
    const std::string base = "/proc/" + std::to_string(g_child);
    DIR *tasks = opendir((base + "/task").c_str());
    if (!tasks)
        fail("cannot list the program's threads");
    while (dirent *entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        FILE *file = std::fopen((base + "/task/" + entry->d_name + "/status").c_str(), "r");
        if (!file)
            continue; // the thread has just ended
        char line[256];
        while (std::fgets(line, sizeof line, file)) {
            long n = 0;
            if (std::sscanf(line, "voluntary_ctxt_switches: %ld", &n) == 1)
                u.switches += n;
        }
        std::fclose(file);
    }
    closedir(tasks);
    return u;
}

void sleepUntil(double when)
{
    while (now() < when) {
        const double left = when - now();
        timespec t {time_t(left), long((left - double(time_t(left))) * 1e9)};
        nanosleep(&t, nullptr);
        int status = 0;
        if (waitpid(g_child, &status, WNOHANG) == g_child) {
            g_child = 0;
            fail("the program ended while it was being watched");
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    const Options o = parse(argc, argv);
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        fail("cannot open the X display");
    XSetErrorHandler(ignoreErrors);
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double start = now();
    g_child = fork();
    if (g_child < 0)
        fail("cannot fork");
    if (g_child == 0) {
        // Our stdout carries the figures; the program's chatter (sound-server notes) is dropped.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(o.program[0], o.program);
        std::_Exit(127);
    }
    waitForFrame(display, o, start);
    std::printf("frame_ms=%.2f\ncpu_ms=%.2f\n", (now() - start) * 1000, cpuMs());
    std::fflush(stdout);

    if (o.hold > 0) {
        sleepUntil(start + o.hold);
        std::printf("peak_rss_kib=%ld\nrss_kib=%ld\n", procStatusKiB("VmHWM"),
                    procStatusKiB("VmRSS"));
    }
    if (o.idle > 0) {
        const Usage before = usage();
        const double from = now();
        sleepUntil(from + o.idle);
        const Usage after = usage();
        const double seconds = now() - from;
        std::printf("cpu_percent=%.3f\nwakeups_per_s=%.2f\n",
                    100 * (after.cpuSeconds - before.cpuSeconds) / seconds,
                    double(after.switches - before.switches) / seconds);
    }
    std::fflush(stdout);
    kill(g_child, SIGTERM);
    for (int i = 0; i < 40 && waitpid(g_child, nullptr, WNOHANG) == 0; ++i)
        usleep(50000);
    kill(g_child, SIGKILL);
    waitpid(g_child, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
