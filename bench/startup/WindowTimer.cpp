// Starts a program and prints the milliseconds from its start until its first
// top-level window is viewable on the X display (mapped, and its window
// manager's frame too), the processor time the program had used by then (on
// a busy machine the steadier figure), and that window's title; then closes
// the window as its close box would and waits for the program to end.
// Usage: zorvel_window_timer PROGRAM [ARGS...]   (DISPLAY names the display)
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kPatience{30};

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPtr<Reply> Owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

// The display, and the few of its names and properties this timer reads.
class Display {
public:
    Display() : m_connection(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(m_connection) != 0) {
            throw std::runtime_error("cannot open the X display named by DISPLAY");
        }
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~Display() { xcb_disconnect(m_connection); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    xcb_window_t Root() const { return m_root; }

    xcb_atom_t Atom(const char* name) {
        auto reply = Owned(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    void Listen(xcb_window_t window, std::uint32_t events) {
        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &events);
        xcb_flush(m_connection);
    }

    // The property's bytes; nothing when the window lacks it (or is gone).
    std::optional<std::string> Property(xcb_window_t window, xcb_atom_t property) {
        auto reply = Owned(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr));
        if (!reply || reply->type == XCB_ATOM_NONE) {
            return std::nullopt;
        }
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(bytes, bytes + xcb_get_property_value_length(reply.get()));
    }

    bool IsViewableClient(xcb_window_t window) {
        auto reply = Owned(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE && !reply->override_redirect;
    }

    // The next event, or null when none came before `deadline`.
    ReplyPtr<xcb_generic_event_t> NextEvent(Clock::time_point deadline) {
        for (;;) {
            if (auto* event = xcb_poll_for_event(m_connection)) {
                return Owned(event);
            }
            if (xcb_connection_has_error(m_connection) != 0) {
                throw std::runtime_error("the X connection broke");
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return Owned<xcb_generic_event_t>(nullptr);
            }
            pollfd wait{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 50)));
        }
    }

    void SendDeleteWindow(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = Atom("WM_PROTOCOLS");
        message.data.data32[0] = Atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};

std::uint8_t EventType(const xcb_generic_event_t& event) {
    return event.response_type & 0x7f;
}

// A window manager announces itself on the root window; a window shown before
// it runs would be timed without the frame a desktop gives it.
void WaitForWindowManager(Display& display) {
    const xcb_atom_t check = display.Atom("_NET_SUPPORTING_WM_CHECK");
    const auto deadline = Clock::now() + kPatience;
    display.Listen(display.Root(), XCB_EVENT_MASK_PROPERTY_CHANGE);
    while (!display.Property(display.Root(), check)) {
        if (!display.NextEvent(deadline) && Clock::now() >= deadline) {
            throw std::runtime_error("no window manager runs on the display");
        }
    }
}

// The program's top-level windows as they are created, until one is viewable.
class WindowWatch {
public:
    // Watches from now on: made before the program starts, it misses none of its windows.
    explicit WindowWatch(Display& display)
        : m_display(display), m_pidAtom(display.Atom("_NET_WM_PID")) {
        m_display.Listen(m_display.Root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    }

    // The first of `program`'s windows to become viewable; throws when the
    // program ends or nothing shows within the patience.
    xcb_window_t WaitForViewable(pid_t program) {
        m_program = program;
        const auto deadline = Clock::now() + kPatience;
        for (;;) {
            auto event = m_display.NextEvent(deadline);
            if (!event) {
                Check(deadline);
                continue;
            }
            if (EventType(*event) == XCB_CREATE_NOTIFY) {
                Track(reinterpret_cast<xcb_create_notify_event_t*>(event.get())->window);
            } else if (EventType(*event) == XCB_DESTROY_NOTIFY) {
                m_windows.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event.get())->window);
            }
            if (const xcb_window_t shown = FindViewable(); shown != XCB_WINDOW_NONE) {
                return shown;
            }
        }
    }

private:
    void Track(xcb_window_t window) {
        // Selected before its state is read, so no later change goes unseen.
        m_display.Listen(window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        m_windows.emplace(window, false);
    }

    xcb_window_t FindViewable() {
        for (auto& [window, ours] : m_windows) {
            if (!ours) {
                ours = IsProgramsOwn(window);
            }
            if (ours && m_display.IsViewableClient(window)) {
                return window;
            }
        }
        return XCB_WINDOW_NONE;
    }

    bool IsProgramsOwn(xcb_window_t window) {
        const auto pid = m_display.Property(window, m_pidAtom);
        std::uint32_t value = 0;
        if (!pid || pid->size() != sizeof value) {
            return false;
        }
        std::memcpy(&value, pid->data(), sizeof value);
        return value == static_cast<std::uint32_t>(m_program);
    }

    void Check(Clock::time_point deadline) const {
        int status = 0;
        if (waitpid(m_program, &status, WNOHANG) == m_program) {
            throw std::runtime_error("the program ended before showing a window");
        }
        if (Clock::now() >= deadline) {
            throw std::runtime_error("the program showed no window in time");
        }
    }

    Display& m_display;
    pid_t m_program = 0;
    xcb_atom_t m_pidAtom;
    std::map<xcb_window_t, bool> m_windows; // created window -> the program's own
};

pid_t Start(char** arguments) {
    pid_t program = 0;
    if (posix_spawn(&program, arguments[0], nullptr, nullptr, arguments, environ) != 0) {
        throw std::runtime_error(std::string("cannot start ") + arguments[0]);
    }
    return program;
}

// Closes `window` and waits for the program; kills it when it lingers.
int Finish(Display& display, xcb_window_t window, pid_t program) {
    display.SendDeleteWindow(window);
    const auto deadline = Clock::now() + kPatience;
    int status = 0;
    while (waitpid(program, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(program, SIGKILL);
            waitpid(program, &status, 0);
            std::fprintf(stderr, "the program did not end when its window closed\n");
            return 1;
        }
        usleep(10'000);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

// Processor time of all the program's threads so far, from the scheduler's
// nanosecond count.
double CpuMilliseconds(pid_t program) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(program) + "/task";
    double nanoseconds = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream stat(task.path() / "schedstat");
        double onCpu = 0;
        stat >> onCpu;
        nanoseconds += onCpu;
    }
    return nanoseconds / 1e6;
}

std::string Title(Display& display, xcb_window_t window) {
    const auto name = display.Property(window, display.Atom("_NET_WM_NAME"));
    return name ? *name : display.Property(window, XCB_ATOM_WM_NAME).value_or(std::string());
}

int Run(char** arguments) {
    Display display;
    WaitForWindowManager(display);
    WindowWatch watch(display);
    const auto start = Clock::now();
    const pid_t program = Start(arguments);
    try {
        const xcb_window_t window = watch.WaitForViewable(program);
        const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
        std::printf("%.1f\t%.1f\t%s\n", elapsed.count(), CpuMilliseconds(program),
                    Title(display, window).c_str());
        std::fflush(stdout);
        return Finish(display, window, program);
    } catch (...) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
        throw;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zorvel_window_timer PROGRAM [ARGS...]\n");
        return 64;
    }
    try {
        return Run(argv + 1);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zorvel_window_timer: %s\n", error.what());
        return 1;
    }
}
