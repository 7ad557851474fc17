#include "platform/ProgramPaths.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <optional>
#include <string>

#include "ScopedVariable.h"
#include "platform/Autostart.h"

namespace {

// With no usable HOME the folders follow the home the password database
// gives the user, never the shared temporary folder, nor a relative path
// that would depend on where the program was started.
TEST(ProgramPaths, WithoutAnAbsoluteHomeTheUsersFoldersLieInThePasswordDatabasesHome) {
  const passwd* entry = ::getpwuid(::getuid());
  ASSERT_NE(entry, nullptr);
  const std::string listed = entry->pw_dir;
  const QTemporaryDir dir;
  // A folder that does not exist is not writable, even for root.
  const std::string missing = dir.filePath("missing").toStdString();
  const ScopedVariable config("XDG_CONFIG_HOME", std::nullopt), data("XDG_DATA_HOME", std::nullopt);

  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {std::nullopt, listed},
      {"", listed},
      {"relative/home", listed},
      {"/srv/someone", "/srv/someone"},
  };
  for (const auto& [home, expected] : cases) {
    const ScopedVariable variable("HOME", home);
    SetProgramFolderOverride(missing);
    const std::string what = home.value_or("(unset)");
    EXPECT_EQ(ConfigFolder(), expected + "/.config/velquor/Config") << what;
    EXPECT_EQ(DefaultResultFolder(), expected + "/.local/share/velquor/Results") << what;
    EXPECT_EQ(AutostartEntryPath(), expected + "/.config/autostart/velquor.desktop") << what;
  }
  SetProgramFolderOverride("");
}

}  // namespace
