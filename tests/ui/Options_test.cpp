// The Options tab's start at log-in, the result folder buttons and the
// folder picker's rule.

#include <filesystem>

#include "WindowTest.h"
#include "platform/Autostart.h"
#include "platform/DesktopOpener.h"
#include "platform/FileIo.h"
#include "ui/HomePageTab.h"
#include "ui/OptionsTab.h"

namespace {

using Options = WindowTest;

TEST_F(Options, ApplyWritesAndRemovesTheLogInEntryInTheUsersConfiguration) {
  OptionsTab& options = *Start().TabSheetOptions;
  const std::string entry = AutostartEntryPath();
  ASSERT_EQ(entry, qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/autostart/velquor.desktop");
  options.CheckBoxStartup->setChecked(true);
  options.BitBtnApplyOptions->click();
  EXPECT_EQ(ReadFilePrefix(entry, 4096), AutostartEntryText(ExecutablePath()));
  options.CheckBoxStartup->setChecked(false);
  options.BitBtnApplyOptions->click();
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(Options, ToolBarsOpenTheAppliedFolderAndOptionsOpenTheBox) {
  std::vector<std::string> opened;
  SetDesktopOpener([&](const std::string& target) { opened.push_back(target); });
  OptionsTab& options = *Start().TabSheetOptions;
  options.EditResultFolder->setText(QString::fromStdString(Folder() + "/applied"));
  options.BitBtnApplyOptions->click();
  options.EditResultFolder->setText("/typed/not applied");
  for (const Mode mode : AllModes) Frame(mode).ToolButton5->trigger();
  options.ButtonOpenResultFolder->click();
  options.EditResultFolder->clear();
  options.ButtonOpenResultFolder->click();  // nothing to open
  w().TabSheetHomePage->BitBtnHomePage->click();
  SetDesktopOpener(nullptr);
  std::vector<std::string> expected(AllModes.size(), Folder() + "/applied/");
  expected.insert(expected.end(), {"/typed/not applied", HomePageTab::HomePageAddress});
  EXPECT_EQ(opened, expected);
}

TEST(FolderPicker, TakesAPathOfOneTo280Characters) {
  const QString smile = QString::fromUcs4(U"\U0001F600");
  const std::pair<QString, bool> cases[] = {
      {"", false},
      {"/", true},
      {"/" + QString(279, 'a'), true},
      {"/" + QString(280, 'a'), false},
      {"/" + QString(279, QChar(0xE9)), true},  // characters, not UTF-8 bytes
      {"/" + smile.repeated(279), true},        // nor UTF-16 units
  };
  for (const auto& [chosen, taken] : cases)
    EXPECT_EQ(OptionsTab::PickedFolder(chosen), taken ? chosen : QString()) << chosen.size();
}

}  // namespace
