#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <cstdint>

// What whoever launched a start gave it so that its window may take the
// focus on a desktop that keeps programs from stealing it: on X the
// start-up notification id, on Wayland an activation token. A later start
// has no window of its own, so it passes these on to the running copy,
// which shows its window in the start's stead.
//
// Both come from outside the program (the environment, another process):
// only short runs of printable ASCII without blanks, quotes or backslashes
// are kept, which is what launchers make and what can be put into an X
// message as it is.
struct LaunchActivation {
  QByteArray startupId;        // DESKTOP_STARTUP_ID
  QByteArray activationToken;  // XDG_ACTIVATION_TOKEN

  static constexpr qsizetype MaxLength = 512;

  // This process's own. Read before the toolkit starts: on X it takes the
  // start-up id out of the environment.
  static LaunchActivation FromEnvironment();

  // Whether `text` may stand for an id or a token.
  static bool Plausible(QByteArrayView text);

  // "NAME=value\n" for each one given, named as in the environment.
  QByteArray Lines() const;
  // Takes one line of Lines() (without its line end). A name it does not
  // know, or a value that is not plausible, leaves everything as it was.
  void Read(QByteArrayView line);

  // The time of the user's action that launched the start, which the
  // start-up id carries after "_TIME" (X server time); 0 when it does not.
  std::uint32_t UserTime() const;

  bool operator==(const LaunchActivation&) const = default;
};

Q_DECLARE_METATYPE(LaunchActivation)
