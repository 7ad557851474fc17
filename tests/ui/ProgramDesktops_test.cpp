// A later start shows the running copy's window to the user wherever it
// was, on a desktop with several desktops (workspaces) and a window manager
// that follows the freedesktop hints.

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "ProgramOnDisplay.h"

namespace {

// A client of the display that hears what programs tell the desktop about
// launches (messages to the root window, in pieces of 20 bytes), and reads
// the server's time as a launcher takes it from the user's click.
class LaunchMessages {
 public:
  explicit LaunchMessages(const QString& display)
      : x_(xcb_connect(display.toLocal8Bit().constData(), nullptr)),
        root_(xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root),
        own_(xcb_generate_id(x_)),
        first_(Atom("_NET_STARTUP_INFO_BEGIN")),
        next_(Atom("_NET_STARTUP_INFO")) {
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(x_, XCB_COPY_FROM_PARENT, own_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    xcb_change_window_attributes(x_, root_, XCB_CW_EVENT_MASK, &events);
    xcb_flush(x_);
  }
  ~LaunchMessages() { xcb_disconnect(x_); }
  LaunchMessages(const LaunchMessages&) = delete;
  LaunchMessages& operator=(const LaunchMessages&) = delete;

  std::uint32_t Now() {
    xcb_change_property(x_, XCB_PROP_MODE_APPEND, own_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(x_);
    std::uint32_t now = 0;
    Until(5000, [&](const xcb_generic_event_t& event) {
      const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
      if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY || change.window != own_) return false;
      now = change.time;
      return true;
    });
    return now;
  }

  // Whether a program sends `text` within `ms`.
  bool Hears(const QByteArray& text, int ms) {
    return Until(ms, [&](const xcb_generic_event_t& event) {
      const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
      if ((event.response_type & 0x7f) != XCB_CLIENT_MESSAGE || message.format != 8 ||
          (message.type != first_ && message.type != next_))
        return false;
      QByteArray& heard = heard_[message.window];
      if (message.type == first_) heard.clear();
      heard.append(reinterpret_cast<const char*>(message.data.data8), 20);
      return heard.contains('\0') && heard.left(heard.indexOf('\0')) == text;
    });
  }

 private:
  xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        x_, xcb_intern_atom(x_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
  }

  bool Until(int ms, const std::function<bool(const xcb_generic_event_t&)>& done) {
    QDeadlineTimer deadline(ms);
    for (;;) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) {
        const bool enough = done(*event);
        std::free(event);
        if (enough) return true;
      }
      pollfd ready{xcb_get_file_descriptor(x_), POLLIN, 0};
      if (deadline.hasExpired() || xcb_connection_has_error(x_)) return false;
      ::poll(&ready, 1, 50);
    }
  }

  xcb_connection_t* x_;
  xcb_window_t root_, own_;
  xcb_atom_t first_, next_;
  std::map<xcb_window_t, QByteArray> heard_;
};

class ProgramDesktops : public ProgramOnDisplay {
 protected:
  // The desktop the user is on, or the one `window` is on; -1 when unknown.
  int Desktop(const QStringList& question) const {
    bool number = false;
    const int desktop = x_.Run("xdotool", question).value_or(QString()).trimmed().toInt(&number);
    return number ? desktop : -1;
  }
  int UsersDesktop() const { return Desktop({"get_desktop"}); }
  int DesktopOf(const QString& window) const { return Desktop({"get_desktop_for_window", window}); }

  // Whether the user can see the program's `window`: mapped, on the desktop shown, not minimised.
  bool Viewable(const QString& window) const { return x_.Windows("^Velquor").contains(window); }
};

// The window on the third desktop, the user on the first: a later start
// brings the window to the user's desktop, restored, in front and with the
// focus, within seconds; the user stays where they are.
TEST_F(ProgramDesktops, ASecondStartShowsTheWindowOnTheDesktopTheUserIsOn) {
  ASSERT_TRUE(x_.StartWindowManager());
  ASSERT_TRUE(x_.Run("xdotool", {"set_num_desktops", "4"}));
  auto running = LaunchOnDisplay();
  const QString window = WaitForWindow(*running, "^Velquor");
  ASSERT_FALSE(window.isEmpty());
  LaunchMessages launches(x_.Variables().value("DISPLAY"));
  const struct {
    const char* what;
    QStringList put;  // what the user does to the window while on the third desktop
    bool launched;    // the later start comes from a launcher that gave it a start-up id
  } cases[] = {
      {"left on the third desktop", {}, false},
      {"minimised on the third desktop", {"windowminimize", "--sync", window}, false},
      {"launched from a menu", {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(x_.Run("xdotool", {"set_desktop", "2"}));
    ASSERT_TRUE(x_.Run("xdotool", {"set_desktop_for_window", window, "2"}));
    if (!c.put.isEmpty()) {
      ASSERT_TRUE(x_.Run("xdotool", c.put));
    }
    ASSERT_TRUE(x_.Run("xdotool", {"set_desktop", "0"}));
    ASSERT_TRUE(Within(*running, 5000, [&] { return UsersDesktop() == 0 && !Viewable(window); }));

    QProcessEnvironment launch;
    const std::uint32_t clicked = launches.Now();
    ASSERT_NE(clicked, 0u);
    const QString id = QStringLiteral("menu-7_TIME%1").arg(clicked);
    if (c.launched) launch.insert("DESKTOP_STARTUP_ID", id);
    auto later = LaunchOnDisplay({}, launch);
    EXPECT_TRUE(EndsCleanly(*later)) << later->readAllStandardError().toStdString();
    // The launcher's busy feedback ends: the window it waits for is there.
    EXPECT_TRUE(!c.launched || launches.Hears("remove: ID=" + id.toLatin1(), 5000));
    EXPECT_TRUE(Within(*running, 5000, [&] { return Viewable(window) && x_.FocusedWindow() == window; }))
        << "on desktop " << DesktopOf(window) << ", viewable: " << Viewable(window)
        << ", focus: " << x_.FocusedWindow().toStdString();
    EXPECT_EQ(DesktopOf(window), 0);
    EXPECT_EQ(UsersDesktop(), 0);
  }
  EndBySigterm(*running);
}

}  // namespace
