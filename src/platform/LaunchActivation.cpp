#include "platform/LaunchActivation.h"

#include <QtGlobal>
#include <algorithm>
#include <utility>

namespace {

constexpr char StartupIdName[] = "DESKTOP_STARTUP_ID";
constexpr char TokenName[] = "XDG_ACTIVATION_TOKEN";
constexpr char TimeMark[] = "_TIME";

QByteArray PlausibleOrNothing(QByteArray text) {
  return LaunchActivation::Plausible(text) ? std::move(text) : QByteArray();
}

}  // namespace

LaunchActivation LaunchActivation::FromEnvironment() {
  return {PlausibleOrNothing(qgetenv(StartupIdName)), PlausibleOrNothing(qgetenv(TokenName))};
}

bool LaunchActivation::Plausible(QByteArrayView text) {
  return !text.empty() && text.size() <= MaxLength && std::all_of(text.begin(), text.end(), [](char c) {
    return c > ' ' && c < '\x7f' && c != '"' && c != '\\';
  });
}

QByteArray LaunchActivation::Lines() const {
  QByteArray lines;
  if (!startupId.isEmpty()) lines += StartupIdName + ('=' + startupId) + '\n';
  if (!activationToken.isEmpty()) lines += TokenName + ('=' + activationToken) + '\n';
  return lines;
}

void LaunchActivation::Read(QByteArrayView line) {
  const qsizetype equals = line.indexOf('=');
  if (equals < 0) return;
  const QByteArrayView name = line.first(equals), value = line.sliced(equals + 1);
  if (!Plausible(value)) return;
  if (name == StartupIdName)
    startupId = value.toByteArray();
  else if (name == TokenName)
    activationToken = value.toByteArray();
}

std::uint32_t LaunchActivation::UserTime() const {
  const qsizetype mark = startupId.lastIndexOf(TimeMark);
  if (mark < 0) return 0;
  bool number = false;
  const qulonglong time = startupId.sliced(mark + qsizetype(sizeof TimeMark) - 1).toULongLong(&number);
  return number && time <= 0xffffffffULL ? static_cast<std::uint32_t>(time) : 0;
}
