// Asks an X window to close the way a window manager does when its user
// clicks the close button: a WM_DELETE_WINDOW message of the WM_PROTOCOLS
// kind, which the program may answer with a question. A test display has
// no window manager to send it, and destroying the window instead would
// skip the question. The display is the one DISPLAY names.
//
//   x_close_request WINDOW-ID

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

int Fail(const char* why) {
  std::fprintf(stderr, "x_close_request: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) return Fail("usage: x_close_request WINDOW-ID");
  char* end = nullptr;
  const unsigned long window = std::strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || window == 0 || window > 0xFFFFFFFFu) return Fail("not a window id");

  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return Fail("cannot connect to the display");
  }
  const xcb_atom_t protocols = Atom(connection, "WM_PROTOCOLS");
  const xcb_atom_t deleteWindow = Atom(connection, "WM_DELETE_WINDOW");

  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(window);
  message.type = protocols;
  message.data.data32[0] = deleteWindow;
  message.data.data32[1] = XCB_CURRENT_TIME;
  // Checked, so a window that is gone fails here rather than in silence.
  const xcb_void_cookie_t sent = xcb_send_event_checked(
      connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  const Reply<xcb_generic_error_t> error(xcb_request_check(connection, sent), &std::free);
  const bool failed = protocols == XCB_ATOM_NONE || deleteWindow == XCB_ATOM_NONE || error ||
                      xcb_connection_has_error(connection);
  xcb_disconnect(connection);
  return failed ? Fail("the close request was not delivered") : 0;
}
