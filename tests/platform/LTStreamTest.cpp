// Memory and file streams, and the writer that must never leave a partial
// or damaged target behind.

#include "TempDir.h"
#include "platform/LTStream.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace lectern {
namespace {

using testing::TempDir;

std::string Slurp(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes));
  return bytes;
}

TEST(MemoryStream, WritingPastTheEndZeroFillsTheGap) {
  TLTMemoryStream s;
  EXPECT_TRUE(s.WriteBytes("ab"));
  EXPECT_EQ(s.Seek(5, TLTSeekOrigin::Begin), 5);
  EXPECT_EQ(s.Size(), 2);  // seeking alone does not grow it
  EXPECT_TRUE(s.WriteBytes("z"));
  EXPECT_EQ(s.Data(), std::string("ab\0\0\0z", 6));
  char c = 0;
  EXPECT_EQ(s.Read(&c, 1), 0u);  // at the end
}

TEST(MemoryStream, SeekAndSetSizeKeepThePositionValid) {
  TLTMemoryStream s(std::string("0123456789"));
  EXPECT_EQ(s.Seek(-3, TLTSeekOrigin::End), 7);
  EXPECT_EQ(s.ReadRest(), "789");
  EXPECT_EQ(s.Seek(-20, TLTSeekOrigin::Current), -1);
  EXPECT_EQ(s.Seek(INT64_MAX, TLTSeekOrigin::Current), -1);
  EXPECT_EQ(s.Position(), 10);
  EXPECT_TRUE(s.SetSize(4));
  EXPECT_EQ(s.Position(), 4);
  EXPECT_TRUE(s.SetPosition(1));
  EXPECT_TRUE(s.SetSize(6));
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(s.Data(), std::string("0123\0\0", 6));
  EXPECT_FALSE(s.SetSize(-1));
  EXPECT_EQ(s.TakeData().size(), 6u);
  EXPECT_EQ(s.Size(), 0);
}

TEST(FileStream, WritesReadsAndTruncates) {
  TempDir dir;
  std::string path = dir.File("a.bin");
  auto f = TLTFileStream::Open(path, TLTFileMode::Create);
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->WriteBytes("hello world"));
  EXPECT_EQ(f->Size(), 11);
  EXPECT_TRUE(f->SetPosition(6));
  EXPECT_EQ(f->ReadRest(), "world");
  EXPECT_TRUE(f->SetPosition(0));
  char buf[5];
  EXPECT_TRUE(f->ReadExact(buf, 5));
  EXPECT_TRUE(f->WriteBytes("!"));  // a write straight after a read
  EXPECT_TRUE(f->SetSize(7));
  EXPECT_EQ(f->Position(), 6);
  EXPECT_TRUE(f->Close());
  EXPECT_EQ(Slurp(path), "hello!w");

  auto rw = TLTFileStream::Open(path, TLTFileMode::ReadWrite);
  ASSERT_TRUE(rw);
  EXPECT_EQ(rw->Seek(0, TLTSeekOrigin::End), 7);
  EXPECT_TRUE(rw->WriteBytes("x"));
  rw.reset();
  EXPECT_EQ(Slurp(path), "hello!wx");
}

TEST(FileStream, OpenFailuresCarryTheSystemError) {
  TempDir dir;
  std::string error;
  EXPECT_EQ(TLTFileStream::Open(dir.File("missing"), TLTFileMode::Read, &error), nullptr);
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_EQ(TLTFileStream::Open(dir.File("missing"), TLTFileMode::ReadWrite, &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(TLTFileStream::Open(dir.Path(), TLTFileMode::Read), nullptr);
  std::string bytes = "stale";
  EXPECT_FALSE(ReadFileBytes(dir.Path(), bytes, &error));
  EXPECT_TRUE(bytes.empty());
}

TEST(SafeFileWriter, LeavesTheTargetUntouchedWithoutCommit) {
  TempDir dir;
  std::string path = dir.File("doc.rtf");
  ASSERT_TRUE(WriteFileAtomic(path, "original"));
  {
    auto w = TLTSafeFileWriter::Create(path);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->WriteBytes("half a new docu"));
    EXPECT_EQ(Slurp(path), "original");
  }
  EXPECT_EQ(Slurp(path), "original");
  EXPECT_EQ(dir.Count(), 1u);  // the temporary file is gone
}

TEST(SafeFileWriter, CommitReplacesTheTargetAndKeepsItsMode) {
  TempDir dir;
  std::string path = dir.File("doc.rtf");
  ASSERT_TRUE(WriteFileAtomic(path, "original"));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  auto w = TLTSafeFileWriter::Create(path);
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->WriteBytes("new contents"));
  EXPECT_TRUE(w->Seek(0, TLTSeekOrigin::Begin) == 0);
  EXPECT_TRUE(w->WriteBytes("N"));
  std::string error;
  EXPECT_TRUE(w->Commit(&error)) << error;
  EXPECT_FALSE(w->Commit());
  EXPECT_EQ(w->Write("x", 1), 0u);
  w.reset();
  EXPECT_EQ(Slurp(path), "New contents");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Count(), 1u);
}

TEST(SafeFileWriter, FailsCleanlyWhereItCannotWrite) {
  TempDir dir;
  std::string error;
  EXPECT_EQ(TLTSafeFileWriter::Create(dir.File("no/such/folder/x"), &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(TLTSafeFileWriter::Create(dir.Path(), &error), nullptr);  // a folder
  EXPECT_FALSE(WriteFileAtomic(dir.File("no/x"), "data", &error));
  EXPECT_EQ(dir.Count(), 0u);
}

TEST(SafeFileWriter, CreatesNewFilesEmptyFilesAndLongNames) {
  TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("new.txt"), "abc"));
  EXPECT_EQ(Slurp(dir.File("new.txt")), "abc");
  ASSERT_TRUE(WriteFileAtomic(dir.File("new.txt"), ""));
  EXPECT_EQ(Slurp(dir.File("new.txt")), "");
  const std::string longName(250, 'n');  // near the 255-byte name limit
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(dir.File(longName), "long", &error)) << error;
  EXPECT_EQ(Slurp(dir.File(longName)), "long");
}

}  // namespace
}  // namespace lectern
