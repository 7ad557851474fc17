// The real program where /proc is not mounted (a chroot, a container):
// where it finds its own folder, and what it does when it cannot.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "ProgramRunFixture.h"

namespace {

// The program's command line and environment as execve takes them, made
// before the child is forked: the child may not allocate.
struct Exec {
  Exec(const std::string& argv0, const QProcessEnvironment& environment) : name(argv0) {
    for (const QString& variable : environment.toStringList()) variables.push_back(variable.toStdString());
    argv = {name.data(), nullptr};
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
  }
  std::string name;
  std::vector<std::string> variables;
  std::vector<char*> argv, envp;
};

// A sanitizer build reads its options from /proc/self/environ, and its leak
// checker needs the rest of /proc: without it, it ends the program with
// status 1. In the child, over an empty /proc: that file alone, turning the
// checker off; the program itself finds nothing there.
bool SanitizerOptionsOnly() {
  static constexpr char options[] = "ASAN_OPTIONS=detect_leaks=0";
  if (::mkdir("/proc/self", 0755) != 0) return false;
  const int fd = ::open("/proc/self/environ", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  const bool written = fd >= 0 && ::write(fd, options, sizeof options) == sizeof options;
  return ::close(fd) == 0 && written;
}

// Started in a mount namespace of its own with an empty /proc, from the
// folder "work" beside it, with HOME in "home" beside it: by its path, or
// from a descriptor (as fexecve does), when all the program has to go on is
// argv[0] and PATH. It must keep its pages beside itself whenever one of
// these leads there; else it says so and keeps them in the user's folder,
// or, for a user without one, does not start. Never in the working folder.
TEST_F(ProgramRun, WithoutProcTheProgramFolderIsFoundFromItsStartNeverTakenToBeTheWorkingFolder) {
  const std::string program = (Folder() + "/velquor").toStdString();
  const QString work = Folder() + "/work", home = Folder() + "/home",
                config = home + "/.config/velquor/Config";
  ASSERT_TRUE(QDir(Folder()).mkpath("work") && QDir(Folder()).mkpath("home"));
  // A copy of the program in the working folder too, where only the names
  // that lead to the working folder would find it.
  ASSERT_TRUE(QFile::copy(Folder() + "/velquor", work + "/velquor"));
  // Where the user database knows no root.
  const std::string passwd = Folder().toStdString() + "/passwd",
                    sources = Folder().toStdString() + "/nsswitch";
  std::ofstream(passwd) << "nobody:x:65534:65534::/nonexistent:/bin/false\n";
  std::ofstream(sources) << "passwd: files\ngroup: files\n";
  const int binary = ::open(program.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(binary, 0);
  const struct {
    const char* what;
    std::string argv0;
    bool byDescriptor;
    QString path;       // PATH
    bool homeless;      // without HOME, and with no home for root in the user database
    QStringList lines;  // what it says on stderr
    QString kept;       // where the pages are kept, if anywhere
  } cases[] = {
      {"by its path", program, false, "/usr/bin:/bin", false, {}, Folder() + "/Config"},
      {"from a descriptor, by a relative path",
       "../velquor",
       true,
       "/usr/bin:/bin",
       false,
       {},
       Folder() + "/Config"},
      {"from a descriptor, by a name in PATH",
       "velquor",
       true,
       ".:/usr/bin:" + Folder(),
       false,
       {},
       Folder() + "/Config"},
      {"from a descriptor, by a name that leads nowhere",
       "velquor",
       true,
       ".:/usr/bin:/bin",
       false,
       {"The program's own folder cannot be told (/proc/self/exe cannot be read, and neither the path it was "
        "started by nor its name leads to it): the pages and settings are kept in " +
        config + ", not beside the program."},
       config},
      {"as much, with no home either",
       "velquor",
       true,
       "/usr/bin:/bin",
       true,
       {"neither the program's own folder nor the user's home folder is known, so there is nowhere to keep "
        "the pages and settings"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const QString& made :
         {Folder() + "/Config", Folder() + "/Results", home + "/.config", home + "/.local"})
      ASSERT_TRUE(QDir(made).removeRecursively());
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("QT_QPA_PLATFORM", "offscreen");
    variables.insert("XDG_RUNTIME_DIR", Folder());
    variables.insert("PATH", c.path);
    variables.insert("HOME", home);
    for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) variables.remove(xdg);
    if (c.homeless) variables.remove("HOME");
    const Exec exec(c.argv0, variables);
    const std::string workPath = work.toStdString();
    const auto inChild = [&] {
      if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0 || !SanitizerOptionsOnly() ||
          (c.homeless && (::mount(passwd.c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0 ||
                          ::mount(sources.c_str(), "/etc/nsswitch.conf", nullptr, MS_BIND, nullptr) != 0)) ||
          ::chdir(workPath.c_str()) != 0)
        ::_exit(126);
      if (c.byDescriptor)
        ::execveat(binary, "", exec.argv.data(), exec.envp.data(), AT_EMPTY_PATH);
      else
        ::execve(program.c_str(), exec.argv.data(), exec.envp.data());
      ::_exit(127);
    };
    auto process = Launch(QProcess::SeparateChannels, {}, variables, inChild);
    ASSERT_NO_FATAL_FAILURE(EndBySigterm(*process, c.kept.isEmpty() ? 1 : 0));

    EXPECT_EQ(OwnLines(process->readAllStandardError()),
              QStringList(c.lines).replaceInStrings(QRegularExpression("^"), "velquor: "));
    EXPECT_EQ(Entries(work), QStringList{"velquor"});
    if (!c.kept.isEmpty()) {
      EXPECT_EQ(Entries(c.kept), SavedFiles());
    }
    EXPECT_EQ(QFileInfo::exists(Folder() + "/Config"), c.kept == Folder() + "/Config");
    EXPECT_EQ(QFileInfo::exists(home + "/.config"), c.kept == config);
  }
  ::close(binary);
}

}  // namespace
