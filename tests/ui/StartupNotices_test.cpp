// Page files and the settings file that start-up could not read whole, as
// the user learns of them: a line each on stderr, one message for all of
// them over the window once it shows, and what became of each file.

#include <QMessageBox>
#include <filesystem>
#include <optional>
#include <set>
#include <variant>

#include "WindowTest.h"
#include "pages/PageFileCodec.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "support/NotAFile.h"
#include "support/PermissionBits.h"

namespace {

namespace fs = std::filesystem;

class StartupNotices : public WindowTest {
 protected:
  StartupNotices() { startWindow_ = false; }

  std::string Config() const { return Folder() + "/Config"; }
  std::string PathOf(const std::string& name) const { return Config() + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(MakeFolder(Config()).ok());
    ASSERT_TRUE(WriteFileAtomically(PathOf(name), bytes).ok());
  }
  std::string Bytes(const std::string& name) const {
    return ReadFilePrefix(PathOf(name), 1 << 24).value_or("(none)");
  }
  // The names of the copies kept aside in the Config folder.
  std::set<std::string> Copies() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Config()))
      if (entry.path().filename().string().find(".bad") != std::string::npos)
        names.insert(entry.path().filename().string());
    return names;
  }

  // The window's start, which must succeed, with the lines it wrote to stderr;
  // the thread lacks root's way past permission bits meanwhile when asked.
  QStringList StartSaying(bool asAnyUser) {
    ::testing::internal::CaptureStderr();
    {
      std::optional<PermissionBitsApply> lowered;
      if (asAnyUser) lowered.emplace();
      Start();
    }
    return QString::fromStdString(::testing::internal::GetCapturedStderr())
        .split('\n')
        .filter(QRegularExpression("^velquor:"));
  }

  // The message boxes over the window, once it has had the time to show them.
  QList<QMessageBox*> Shown() const {
    QList<QMessageBox*> boxes;
    SpinUntil([] { return false; }, std::chrono::milliseconds(100));
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) boxes << box;
    return boxes;
  }
};

// A page file of the mode with `pages` default pages, as the program writes it.
std::string PageFile(Mode mode, int pages) {
  TPingRegistry registry(mode);
  for (int i = 0; i < pages; ++i) EXPECT_TRUE(AddPage(registry, *DefaultPingPage(mode)));
  return EncodePageFile(registry);
}

// Each damaged file is named once on stderr and once in the one message,
// with its copy aside or the news that it stays as it is, and no other file
// is; the save at the end of the session copies none of them again, and
// replaces none that could not be read.
TEST_F(StartupNotices, EachFileNotReadWholeIsNamedOnceWithWhatBecameOfIt) {
  std::string cut = PageFile(Mode::Ping, 3);
  cut.resize(cut.size() - 10);
  std::string otherVersion = PageFile(Mode::MultiPing, 1);
  otherVersion[0] = 2;
  const std::string large = "[MAIN]\nCsvType=0\n" + std::string(IniFile::MaxFileBytes, ';') + "\n";

  struct Damaged {
    const char* name;
    std::variant<std::string, NotAFile> made;  // the file's bytes, or what stands in its place
    const char* said;  // <file>: the file's path; <copy>: its copy's; none for an earlier copy
    const char* copy;  // the name the copy takes, if one is made
  };
  const char* notRegular =
      "<file> could not be read (not a regular file); it is left as it is and not replaced.";
  const Damaged cutPing{"PingPages.dat", cut,
                        "<file> was not read whole (page record 3 of 3 is cut short); it is kept as <copy>.",
                        "PingPages.dat.bad"};
  const Damaged largeConfig{
      "config.ini", large,
      "<file> was not read whole (larger than a settings file may be, 1048576 bytes); it is kept as <copy>.",
      "config.ini.bad"};
  const struct {
    const char* what;
    std::vector<Damaged> files;
    bool unreadable;  // the last file may not be read by the starting thread
    // Beside them: a page file and a settings file read whole.
    bool othersAround = false;
  } cases[] = {
      {"a cut-short Ping page file", {cutPing}, false},
      {"a page file of another version, beside an earlier copy",
       {{"MultiPingPages.dat.bad", "an earlier copy", nullptr, nullptr},
        {"MultiPingPages.dat", otherVersion,
         "<file> was not read whole (not a page file of version 1); it is kept as <copy>.",
         "MultiPingPages.dat.bad.2"}},
       false},
      {"an unreadable page file",
       {{"TraceroutePages.dat", PageFile(Mode::Traceroute, 2),
         "<file> could not be read (Permission denied); it is left as it is and not replaced.", nullptr}},
       true},
      {"an oversized config.ini", {largeConfig}, false},
      {"two at once", {cutPing, largeConfig}, false},
      {"a folder and a FIFO beside files read whole, missing and cut short",
       {{"MultiPingPages.dat", NotAFile::Folder, notRegular, nullptr},
        {"TraceroutePages.dat", NotAFile::Fifo, notRegular, nullptr},
        {"PathPingPages.dat", PageFile(Mode::PathPing, 1) + "xyz",
         "<file> was not read whole (3 bytes follow the last of 1 page records); it is kept as <copy>.",
         "PathPingPages.dat.bad"}},
       false,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Config());
    ASSERT_TRUE(MakeFolder(Config()).ok());
    QStringList expected;
    std::set<std::string> copies;
    for (const Damaged& file : c.files) {
      if (const std::string* bytes = std::get_if<std::string>(&file.made))
        Put(file.name, *bytes);
      else
        ASSERT_TRUE(MakeNotAFile(std::get<NotAFile>(file.made), PathOf(file.name)));
      if (file.copy) copies.insert(file.copy);
      if (!file.said) copies.insert(file.name);
      if (file.said)
        expected << QString(file.said)
                        .replace("<file>", QString::fromStdString(PathOf(file.name)))
                        .replace("<copy>", QString::fromStdString(PathOf(file.copy ? file.copy : "")));
    }
    if (c.unreadable) fs::permissions(PathOf(c.files.back().name), fs::perms::owner_write);
    if (c.othersAround) {
      Put("PingPages.dat", PageFile(Mode::Ping, 2));
      Put("config.ini", "[MAIN]\nCsvType=0\n");
    }

    const QStringList said = StartSaying(c.unreadable);
    EXPECT_EQ(said, QStringList(expected).replaceInStrings(QRegularExpression("^"), "velquor: "));
    EXPECT_TRUE(Shown().isEmpty()) << "shown before the window";
    w().show();
    const QList<QMessageBox*> boxes = Shown();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->parentWidget(), &w());
    EXPECT_EQ(boxes[0]->text(),
              "Not every saved page or setting could be read at start-up:\n\n" + expected.join("\n\n"));

    Close();
    EXPECT_EQ(Copies(), copies) << "a second copy, or one too few";
    // The copies hold the files as they were; the save replaced each file
    // kept aside, and none that could not be read.
    for (const Damaged& file : c.files) {
      if (!file.said) continue;
      const std::string* bytes = std::get_if<std::string>(&file.made);
      const std::string was = bytes ? *bytes : "(none)";
      EXPECT_TRUE(!file.copy || Bytes(file.copy) == was) << file.copy;
      EXPECT_EQ(Bytes(file.name) == was, !file.copy) << file.name;
    }
  }
}

// A folder of the program's own that it does not use is told first, in the
// same message as the files not read whole: here the default result folder,
// open to all, beside a cut-short page file in a Config that may be used.
TEST_F(StartupNotices, AFolderNotUsedIsToldInTheSameMessageAsTheFilesNotReadWhole) {
  std::string cut = PageFile(Mode::Ping, 3);
  cut.resize(cut.size() - 10);
  Put("PingPages.dat", cut);
  const std::string results = Folder() + "/Results";
  ASSERT_TRUE(MakeFolder(results).ok());
  fs::permissions(results, fs::perms::all);
  const QStringList expected{
      QString::fromStdString(
          results + " is not used (others may write to it): the reports meant for it are not saved."),
      QString::fromStdString(PathOf("PingPages.dat") +
                             " was not read whole (page record 3 of 3 is cut short); it is kept as " +
                             PathOf("PingPages.dat.bad") + ".")};

  EXPECT_EQ(StartSaying(false), QStringList(expected).replaceInStrings(QRegularExpression("^"), "velquor: "));
  w().show();
  const QList<QMessageBox*> boxes = Shown();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes[0]->text(),
            expected[0] + "\n\nNot every saved page or setting could be read at start-up:\n\n" + expected[1]);
}

}  // namespace
