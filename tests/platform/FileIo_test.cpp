#include "platform/FileIo.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

// Failed writes are AtomicFile's to test, files that cannot be read PageFiles'.
TEST(FileIoTest, ReplacesContentReadsABoundedPrefixAndMakesFolders) {
  QTemporaryDir dir;
  auto path = [&](const char* name) { return dir.filePath(name).toStdString(); };
  ASSERT_TRUE(WriteFileAtomically(path("a.dat"), "first version").ok());
  ASSERT_TRUE(WriteFileAtomically(path("a.dat"), std::string("x\0y", 3)).ok());
  EXPECT_EQ(ReadFilePrefix(path("a.dat"), 100), std::string("x\0y", 3));
  EXPECT_EQ(ReadFilePrefix(path("a.dat"), 2), std::string("x\0", 2));
  EXPECT_EQ(ReadFilePrefix(path("missing"), 10), std::nullopt);
  // Only a regular file is read: a folder or a device is refused like a missing file.
  EXPECT_EQ(ReadFilePrefix(dir.path().toStdString(), 10), std::nullopt);
  EXPECT_EQ(ReadFilePrefix("/dev/zero", 10), std::nullopt);
  EXPECT_TRUE(MakeFolder(path("x/y")).ok() && MakeFolder(path("x/y")).ok());
  EXPECT_FALSE(MakeFolder(path("a.dat/sub")).ok());
}

}  // namespace
