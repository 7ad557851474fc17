#include "ui/WindowPresenter.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// The freedesktop window-manager hints' "source indication" of a request
// made by an application, as opposed to a pager acting for the user.
constexpr std::uint32_t FromApplication = 1;
// A window's desktop when it is on every desktop.
constexpr std::uint32_t EveryDesktop = 0xffffffff;
// The text of an X start-up message travels in pieces of this many bytes.
constexpr std::size_t StartupPiece = 20;

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
Owned<Reply> Take(Reply* reply) {
  return Owned<Reply>(reply, &std::free);
}

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
  const auto reply = Take(xcb_intern_atom_reply(
      x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// A single CARDINAL the window carries; none when it carries no such value.
std::optional<std::uint32_t> Cardinal(xcb_connection_t* x, xcb_window_t window, const char* name) {
  const auto reply = Take(xcb_get_property_reply(
      x, xcb_get_property(x, 0, window, Atom(x, name), XCB_ATOM_CARDINAL, 0, 1), nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return std::nullopt;
  return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

xcb_window_t RootOf(xcb_connection_t* x, xcb_window_t window) {
  const auto reply = Take(xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr));
  return reply ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
}

// A request to the window manager about `window`, as the hints say to make
// one: a message to the root window that only the manager is sent.
void AskManager(xcb_connection_t* x, xcb_window_t root, xcb_window_t window, const char* request,
                std::array<std::uint32_t, 5> data) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom(x, request);
  std::copy(data.begin(), data.end(), message.data.data32);
  xcb_send_event(x, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
}

// The launch that started the later start has come to its end: whoever
// shows the user that a program is starting (a busy pointer, a task bar
// entry) stops. The later start never showed a window of its own to end it.
void EndLaunchFeedback(xcb_connection_t* x, xcb_window_t root, xcb_window_t window, const QByteArray& id) {
  if (!LaunchActivation::Plausible(id)) return;
  // The values are plain enough to need no quotes; the text ends with a nul.
  const QByteArray text = "remove: ID=" + id + '\0';
  const xcb_atom_t first = Atom(x, "_NET_STARTUP_INFO_BEGIN"), next = Atom(x, "_NET_STARTUP_INFO");
  for (qsizetype at = 0; at < text.size(); at += StartupPiece) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 8;
    message.window = window;
    message.type = at == 0 ? first : next;
    const qsizetype size = std::min<qsizetype>(StartupPiece, text.size() - at);
    std::copy_n(text.constData() + at, size, message.data.data8);
    xcb_send_event(x, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&message));
  }
}

void ShowRestored(QWidget& window) {
  if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
}

// In this order, as the manager takes the requests in the order they were
// made: a window moved to the user's desktop first may then take the focus
// there, where a manager would refuse it, or switch desktops, for a window
// elsewhere.
void PresentOnX(QWidget& window, xcb_connection_t* x, const LaunchActivation& given) {
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_window_t root = RootOf(x, id);
  if (root == XCB_WINDOW_NONE) return ShowAndActivate(window);
  // A window the manager does not hold (hidden) carries no desktop: it comes
  // back on the user's. One on every desktop is on the user's already.
  const std::optional<std::uint32_t> current = Cardinal(x, root, "_NET_CURRENT_DESKTOP");
  const std::optional<std::uint32_t> where = Cardinal(x, id, "_NET_WM_DESKTOP");
  if (current && where && *where != *current && *where != EveryDesktop)
    AskManager(x, root, id, "_NET_WM_DESKTOP", {*current, FromApplication, 0, 0, 0});
  ShowRestored(window);
  // The time of the user's launch lets the focus follow it; without one the
  // toolkit asks with the last time it knows of.
  if (const std::uint32_t time = given.UserTime(); time != 0)
    AskManager(x, root, id, "_NET_ACTIVE_WINDOW", {FromApplication, time, 0, 0, 0});
  else
    window.activateWindow();
  if (!given.startupId.isEmpty()) EndLaunchFeedback(x, root, id, given.startupId);
  xcb_flush(x);
}

}  // namespace

void PresentToUser(QWidget& window, const LaunchActivation& given) {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("xcb")) {
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
      PresentOnX(window, x11->connection(), given);
      return;
    }
  }
  // Qt's Wayland client hands the compositor the token it finds here when
  // the window asks for the focus.
  if (platform.startsWith(QLatin1String("wayland")) && LaunchActivation::Plausible(given.activationToken))
    qputenv("XDG_ACTIVATION_TOKEN", given.activationToken);
  ShowAndActivate(window);
}

void ShowAndActivate(QWidget& window) {
  ShowRestored(window);
  window.activateWindow();
}
