// Where the program finds its files: the build folder, an installed layout
// (a fake bin/ beside share/terrabook/) with the user's template made on the
// first start, and the user's data folder from the environment.

#include "app/ReportMerge.h"
#include "app/TerrabookPaths.h"
#include "model/LTDocument.h"
#include "tests/support/TestTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace lectern {
namespace {

namespace fs = std::filesystem;
using testing::TTestValue;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

/// Sets an environment variable for a scope and puts the old value back.
class TEnvSetting {
 public:
  TEnvSetting(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~TEnvSetting() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  TEnvSetting(const TEnvSetting&) = delete;
  TEnvSetting& operator=(const TEnvSetting&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

/// root/bin/ for the program, its data folder (root/share/terrabook/ in the
/// usual layout) and root/home/terrabook/ for the user's folder.
struct TerrabookPathsTest : ::testing::Test {
  testing::TTempDir Root{"terrabook-paths"};
  std::string Bin = Root / "bin/";
  std::string Data = TerrabookDataDir(Bin);
  std::string User = Root / "home/terrabook/";

  void SetUp() override { fs::create_directories(Bin); }
  /// The installed data: a table (its bytes do not matter here) and a sample.
  void Install(const std::string& sample = "the sample") {
    Write(Data + "Terra.db", "table");
    Write(Data + "terrabook.ltf", sample);
  }
};

TEST_F(TerrabookPathsTest, TheBuildFolderKeepsBothFilesBesideTheProgram) {
  Install();
  Write(Bin + "Terra.db", "table");
  std::string note = "stale";
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, User, &note);
  EXPECT_EQ(files.Template, Bin + "terrabook.ltf");
  EXPECT_EQ(files.Table, Bin + "Terra.db");
  EXPECT_EQ(note, "");
  EXPECT_FALSE(fs::exists(User)) << "nothing is copied for a program in its build folder";
}

TEST_F(TerrabookPathsTest, AProgramWithoutDataFolderLooksBesideItselfAsBefore) {
  // A build whose data have not been generated yet: the window reports
  // the table missing in the program's own folder.
  const TTerrabookFiles files = LocateTerrabookFiles(Root / "bin", User);
  EXPECT_EQ(files.Table, Bin + "Terra.db");
  EXPECT_EQ(files.Template, Bin + "terrabook.ltf");
  EXPECT_FALSE(fs::exists(User));
}

TEST_F(TerrabookPathsTest, TheFirstStartCopiesTheSampleAndLaterStartsKeepTheUsersTemplate) {
  Install();
  std::string note;
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, User, &note);
  EXPECT_EQ(files.Table, Data + "Terra.db");
  EXPECT_EQ(files.Template, User + "terrabook.ltf");
  EXPECT_EQ(ReadAll(files.Template), "the sample");
  EXPECT_NE(note.find(User + "terrabook.ltf"), std::string::npos) << note;
  EXPECT_NE(note.find("copy of the sample"), std::string::npos) << note;
  EXPECT_FALSE(fs::exists(User + "terrabook.ltf.part"));

  Write(files.Template, "edited by the user");
  const TTerrabookFiles again = LocateTerrabookFiles(Bin, User, &note);
  EXPECT_EQ(again.Template, files.Template);
  EXPECT_EQ(ReadAll(again.Template), "edited by the user");
  EXPECT_EQ(note, "") << "the note is said once";
}

TEST_F(TerrabookPathsTest, ATemplateBesideAWritableProgramStaysThere) {
  Install();
  Write(Bin + "terrabook.ltf", "a template of its own");
  std::string note;
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, User, &note);
  EXPECT_EQ(files.Template, Bin + "terrabook.ltf");
  EXPECT_EQ(files.Table, Data + "Terra.db");
  EXPECT_EQ(note, "");
  EXPECT_FALSE(fs::exists(User));
}

TEST_F(TerrabookPathsTest, ATemplateBesideAProgramThatMayNotBeWrittenIsLeftForTheUsersCopy) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write in any folder";
  Install();
  Write(Bin + "terrabook.ltf", "a template of the system");
  fs::permissions(Bin, fs::perms::owner_write, fs::perm_options::remove);
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, User);
  fs::permissions(Bin, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(files.Template, User + "terrabook.ltf");
  EXPECT_EQ(ReadAll(files.Template), "the sample");
}

TEST_F(TerrabookPathsTest, AUserFolderThatCannotBeMadeGivesANoteAndStillAPlaceToSave) {
  Install();
  // A file where a folder should be: refused even to the superuser.
  Write(Root / "home", "not a folder");
  std::string note;
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, User, &note);
  EXPECT_EQ(files.Template, User + "terrabook.ltf");
  EXPECT_EQ(files.Table, Data + "Terra.db");
  EXPECT_NE(note.find("could not be copied to " + User + "terrabook.ltf"), std::string::npos) << note;
  EXPECT_NE(note.find("starts empty"), std::string::npos) << note;
  EXPECT_EQ(ReadAll(Root / "home"), "not a folder");
}

TEST_F(TerrabookPathsTest, AnInstallIntoTheUsersOwnFolderKeepsTheUsersTemplateApartFromTheSample) {
  // --prefix ~/.local: the data folder is the user's folder. Installing
  // again writes the sample, and must not write it over the user's work.
  Install();
  std::string note;
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, Data, &note);
  EXPECT_EQ(files.Template, Data + LTTerrabookOwnTemplate);
  EXPECT_EQ(ReadAll(files.Template), "the sample");
  EXPECT_NE(note.find(files.Template), std::string::npos) << note;

  Write(files.Template, "edited by the user");
  Install("a newer sample");
  EXPECT_EQ(LocateTerrabookFiles(Bin, Data).Template, files.Template);
  EXPECT_EQ(ReadAll(files.Template), "edited by the user");
}

TEST_F(TerrabookPathsTest, AMissingSampleIsSaidAndNothingIsMade) {
  Install();
  fs::remove(Data + "terrabook.ltf");
  std::string note;
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, User, &note);
  EXPECT_EQ(files.Template, User + "terrabook.ltf");
  EXPECT_NE(note.find("is missing"), std::string::npos) << note;
  EXPECT_FALSE(fs::exists(files.Template));
}

TEST_F(TerrabookPathsTest, TheInstalledProgramStartsWithTheTableAndSavesIntoTheUsersFolder) {
  testing::MakeTable(Root / "table.db", "Countries", {"Country TEXT", "Capital TEXT"},
                     {{TTestValue::T("Chile"), TTestValue::T("Santiago")}});
  TLTDocument sample;
  sample.Context.LTFOptions = LTEditorLTFOptions;
  sample.Data.AddTextW(u"Capital: ", 0, 0);
  sample.Data.AddTextW(u"Capital", FindOrAddCodeStyle(ltcsFieldCode, sample.Style), -1,
                       TLTTag::FromString(u"Capital|"));
  ASSERT_TRUE(sample.Data.SaveLTF(Root / "sample.ltf"));
  fs::create_directories(Data);
  fs::copy_file(Root / "table.db", Data + "Terra.db");
  fs::copy_file(Root / "sample.ltf", Data + "terrabook.ltf");
  const std::string sampleBytes = ReadAll(Data + "terrabook.ltf");

  TLTDocument doc;
  TTerrabook app(LocateTerrabookFiles(Bin, User), doc.Data);
  const std::vector<std::string> problems = app.Start();
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(app.ViewNames().size(), 2u);
  EXPECT_EQ(doc.Data.GetPlainText(0), u"Capital: Capital");
  doc.Data.AddTextW(u" and more", 0, -1);
  std::string error;
  ASSERT_TRUE(app.SaveTemplate(error)) << error;
  EXPECT_EQ(ReadAll(Data + "terrabook.ltf"), sampleBytes) << "the installed sample is never written";
  EXPECT_NE(ReadAll(User + "terrabook.ltf"), sampleBytes);
}

TEST(TerrabookUserDir, FollowsXdgDataHomeAndElseTheHomeFolder) {
  {
    TEnvSetting xdg("XDG_DATA_HOME", "/somewhere/data");
    EXPECT_EQ(TerrabookUserDir(), "/somewhere/data/terrabook/");
  }
  TEnvSetting home("HOME", "/home/someone");
  {
    TEnvSetting xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(TerrabookUserDir(), "/home/someone/.local/share/terrabook/");
  }
  {
    TEnvSetting xdg("XDG_DATA_HOME", "");
    EXPECT_EQ(TerrabookUserDir(), "/home/someone/.local/share/terrabook/");
  }
  {
    TEnvSetting xdg("XDG_DATA_HOME", "relative/data");  // not a valid setting: ignored
    EXPECT_EQ(TerrabookUserDir(), "/home/someone/.local/share/terrabook/");
  }
}

TEST_F(TerrabookPathsTest, TheUsersFolderComesFromXdgDataHomeWhenNoneIsGiven) {
  Install();
  TEnvSetting xdg("XDG_DATA_HOME", (Root / "xdg").c_str());
  std::string note;
  const TTerrabookFiles files = LocateTerrabookFiles(Bin, &note);
  EXPECT_EQ(files.Template, Root / "xdg/terrabook/terrabook.ltf");
  EXPECT_EQ(ReadAll(files.Template), "the sample");
  EXPECT_FALSE(note.empty());
}

}  // namespace
}  // namespace lectern
