#include "platform/linux/X11WindowCloser.h"

// clang-format off
// Before Xlib, whose None macro clashes with a GoogleTest name.
#include <gtest/gtest.h>
// clang-format on

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <vector>

// Runs under tests/support/with-xvfb.sh: a private Xvfb, with openbox (a reparenting window
// manager that takes _NET_CLOSE_WINDOW) or, with AGENT_XVFB_NO_WM=1, without a window manager.
// The test's own windows take part in WM_DELETE_WINDOW and record the requests they receive.

namespace {

using namespace std::chrono_literals;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// How a window carries its title.
enum class TitleProperty { WmNameLatin1, NetWmNameUtf8 };

std::string Utf8ToLatin1(const std::string& utf8) {
    std::string latin1;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0xC0 && i + 1 < utf8.size()) {
            latin1 += static_cast<char>(((byte & 0x03) << 6) | (utf8[++i] & 0x3F));
        } else {
            latin1 += utf8[i];
        }
    }
    return latin1;
}

// The test's connection to the display and the windows it shows.
class TestDisplay {
public:
    TestDisplay() : m_display(XOpenDisplay(nullptr)) {
        if (m_display) {
            m_wmProtocols = XInternAtom(m_display.get(), "WM_PROTOCOLS", False);
            m_wmDelete = XInternAtom(m_display.get(), "WM_DELETE_WINDOW", False);
            m_wmState = XInternAtom(m_display.get(), "WM_STATE", False);
        }
    }

    bool open() const { return m_display != nullptr; }

    bool WindowManagerRuns() const {
        const Atom check = XInternAtom(m_display.get(), "_NET_SUPPORTING_WM_CHECK", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(m_display.get(), DefaultRootWindow(m_display.get()), check, 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &remaining, &data);
        if (data != nullptr) {
            XFree(data);
        }
        return count == 1;
    }

    // Shows a window titled `title` (UTF-8) and waits until it is mapped and, under a window
    // manager, managed.
    Window Show(const std::string& title, TitleProperty property) {
        Display* display = m_display.get();
        const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200,
                                                  100, 1, 0, 0xFFFFFF);
        XSelectInput(display, window, StructureNotifyMask | PropertyChangeMask);
        if (property == TitleProperty::WmNameLatin1) {
            const std::string latin1 = Utf8ToLatin1(title);
            XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(latin1.data()),
                            static_cast<int>(latin1.size()));
        } else {
            XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                            XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            static_cast<int>(title.size()));
        }
        Atom protocols[] = {m_wmDelete};
        XSetWMProtocols(display, window, protocols, 1);
        XMapWindow(display, window);
        const bool managed = WindowManagerRuns();
        bool mapped = false;
        bool stateSet = false;
        NextEvents(5s, [&](const XEvent& event) {
            if (event.xany.window == window) {
                mapped = mapped || event.type == MapNotify;
                stateSet =
                    stateSet || (event.type == PropertyNotify && event.xproperty.atom == m_wmState);
            }
            return mapped && (stateSet || !managed);
        });
        EXPECT_TRUE(mapped && (stateSet || !managed)) << "window not shown: " << title;
        return window;
    }

    // The windows that received a close request, in order, until `last` did (5 s at most).
    std::vector<Window> CloseRequestsUntil(Window last) {
        std::vector<Window> windows;
        NextEvents(5s, [&](const XEvent& event) {
            if (event.type == ClientMessage && event.xclient.message_type == m_wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == m_wmDelete) {
                windows.push_back(event.xclient.window);
                return event.xclient.window == last;
            }
            return false;
        });
        return windows;
    }

private:
    // Hands each event to `done` until it returns true or the time is up.
    template <typename Done> void NextEvents(std::chrono::milliseconds timeout, Done done) {
        Display* display = m_display.get();
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        XFlush(display);
        while (true) {
            while (XPending(display) > 0) {
                XEvent event{};
                XNextEvent(display, &event);
                if (done(event)) {
                    return;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left <= 0ms) {
                return;
            }
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            ::poll(&connection, 1, static_cast<int>(left.count()));
        }
    }

    std::unique_ptr<Display, DisplayCloser> m_display;
    Atom m_wmProtocols = None;
    Atom m_wmDelete = None;
    Atom m_wmState = None;
};

class X11WindowCloserTest : public testing::Test {
protected:
    void SetUp() override {
        if (!m_display.open()) {
            GTEST_SKIP() << "no X display; run under tests/support/with-xvfb.sh";
        }
    }

    TestDisplay m_display;
    X11WindowCloser m_closer;
};

TEST_F(X11WindowCloserTest, ClosesTheWindowTitledExactly) {
    struct Case {
        const char* title;
        TitleProperty property;
    };
    const Case cases[] = {
        {"Adobe Acrobat DC (32 bits)", TitleProperty::WmNameLatin1},
        {"Impressão concluída", TitleProperty::WmNameLatin1},
        {"Impressão – pronta", TitleProperty::NetWmNameUtf8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const Window window = m_display.Show(c.title, c.property);

        EXPECT_TRUE(m_closer.RequestClose(c.title));

        EXPECT_EQ(m_display.CloseRequestsUntil(window), std::vector<Window>{window});
    }
}

TEST_F(X11WindowCloserTest, OtherTitlesAreLeftAlone) {
    const Window document =
        m_display.Show("relatorio.pdf - Adobe Acrobat DC (32 bits)", TitleProperty::WmNameLatin1);
    const Window target = m_display.Show("Adobe Acrobat DC (32 bits)", TitleProperty::WmNameLatin1);
    const Window marker = m_display.Show("Marcador", TitleProperty::NetWmNameUtf8);

    for (const char* title : {"Adobe Acrobat DC", "adobe acrobat dc (32 bits)",
                              "Adobe Acrobat DC (32 bits) ", "Adobe Acrobat DC (64 bits)", ""}) {
        EXPECT_FALSE(m_closer.RequestClose(title)) << "[" << title << "]";
    }
    EXPECT_TRUE(m_closer.RequestClose("Adobe Acrobat DC (32 bits)"));
    // Requests are handled in order: once the marker's arrives, any other would have as well.
    EXPECT_TRUE(m_closer.RequestClose("Marcador"));

    const std::vector<Window> closed = m_display.CloseRequestsUntil(marker);
    EXPECT_EQ(closed, (std::vector<Window>{target, marker}));
    EXPECT_EQ(std::count(closed.begin(), closed.end(), document), 0);
}

TEST(X11WindowCloserWithoutDisplayTest, ReturnsFalse) {
    const char* saved = std::getenv("DISPLAY");
    const std::string previous = saved != nullptr ? saved : "";
    X11WindowCloser closer;

    ::unsetenv("DISPLAY");
    EXPECT_FALSE(closer.RequestClose("Adobe Acrobat DC (32 bits)"));
    ::setenv("DISPLAY", "", 1);
    EXPECT_FALSE(closer.RequestClose("Adobe Acrobat DC (32 bits)"));
    ::setenv("DISPLAY", ":4321", 1); // no such server
    EXPECT_FALSE(closer.RequestClose("Adobe Acrobat DC (32 bits)"));

    if (saved != nullptr) {
        ::setenv("DISPLAY", previous.c_str(), 1);
    } else {
        ::unsetenv("DISPLAY");
    }
}

} // namespace
