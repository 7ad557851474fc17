#include "ui/StartupFailureMessage.h"

#include <QMessageBox>
#include <algorithm>
#include <cctype>

#include "platform/ProgramPaths.h"
#include "platform/SessionEndNotifier.h"
#include "platform/SocketIcmpEcho.h"

namespace {

// The path as a shell takes it back: quoted when it holds anything beyond
// the characters a path usually has.
std::string ShellWord(const std::string& path) {
  const bool plain = !path.empty() && std::ranges::all_of(path, [](unsigned char c) {
    return std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+';
  });
  if (plain) return path;
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string StartupFailureText(const std::string& why, bool noIcmpSocket, const std::string& binary) {
  std::string text = "Velquor cannot start: " + why + ".";
  if (noIcmpSocket)
    text +=
        "\n\nTo let it send echoes as an ordinary user, either\n"
        "- let your group open ICMP datagram sockets:\n"
        "  sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n"
        "or\n"
        "- give the binary the raw-socket capability:\n"
        "  sudo setcap cap_net_raw+ep " +
        ShellWord(binary);
  return text;
}

}  // namespace

void ShowStartupFailure(const std::string& why, SessionEndNotifier& sessionEnd, bool afterEchoes) {
  // The start-up binds the echoes first, so an IPv4 road that is still
  // missing is what stopped it.
  const bool noIcmpSocket = afterEchoes && !SystemIcmp().CanPing(IpFamily::V4);
  QMessageBox message(QMessageBox::Critical, QObject::tr("Velquor"),
                      QString::fromStdString(StartupFailureText(why, noIcmpSocket, ExecutablePath())),
                      QMessageBox::Ok);
  // The message's event loop is the first to run: from then on a session
  // end closes it.
  QObject::connect(&sessionEnd, &SessionEndNotifier::SessionEnding, &message, &QMessageBox::reject);
  message.exec();
}
