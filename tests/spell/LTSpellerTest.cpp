// The Hunspell checker with the test dictionary: affixes, suggestions, the
// personal word list, and dictionaries or lists that are not what they say.

#include "../platform/TempDir.h"
#include "SpellFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lectern::testing {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(LTSpeller, KnowsTheDictionaryWithItsAffixesAndSuggestsNearWords) {
  TLTSpeller s;
  std::string error;
  ASSERT_TRUE(s.Open("en_TEST", {"/nonexistent", TestDictionaryDir()}, error)) << error;
  EXPECT_EQ(s.Language(), "en_TEST");
  EXPECT_FALSE(s.IsMisspelled(u"cats"));
  EXPECT_FALSE(s.IsMisspelled(u"don't"));
  EXPECT_FALSE(s.IsMisspelled(u"naïve"));
  EXPECT_TRUE(s.IsMisspelled(u"cates"));
  EXPECT_TRUE(s.IsMisspelled(u"teh"));
  const auto suggestions = s.Suggest(u"teh");
  EXPECT_NE(std::find(suggestions.begin(), suggestions.end(), u"the"), suggestions.end());
  // A variant of the language is taken when the exact one is missing.
  TLTSpeller v;
  EXPECT_TRUE(v.Open("en", {TestDictionaryDir()}, error)) << error;
}

TEST(LTSpeller, AMissingOrMalformedDictionaryIsAMessageAndChangesNothing) {
  TLTSpeller s;
  std::string error;
  ASSERT_TRUE(s.Open("en_TEST", {TestDictionaryDir()}, error));
  EXPECT_FALSE(s.Open("xx_XX", {TestDictionaryDir() + "/malformed"}, error));
  EXPECT_NE(error.find("malformed"), std::string::npos) << error;
  EXPECT_FALSE(s.Open("zz_ZZ", {TestDictionaryDir()}, error));
  EXPECT_NE(error.find("No dictionary for \"zz_ZZ\""), std::string::npos) << error;
  EXPECT_FALSE(s.Open("../en_TEST", {TestDictionaryDir()}, error));
  EXPECT_EQ(s.Language(), "en_TEST");
  EXPECT_FALSE(s.IsMisspelled(u"cat"));
  // Without any dictionary nothing is marked.
  TLTSpeller none;
  EXPECT_FALSE(none.IsMisspelled(u"teh"));
}

TEST(LTSpeller, PersonalWordsAreKeptAndABadListLosesNothing) {
  TempDir dir;
  const std::string path = dir.File("config/terrabook/words");
  {
    TLTSpeller s;
    std::string error;
    ASSERT_TRUE(s.Open("en_TEST", {TestDictionaryDir()}, error));
    EXPECT_TRUE(s.LoadPersonal(path, error)) << error;  // none yet
    EXPECT_TRUE(s.IsMisspelled(u"Terrabook"));
    ASSERT_TRUE(s.AddToPersonal(u"Terrabook", error)) << error;
    EXPECT_FALSE(s.IsMisspelled(u"Terrabook"));
    EXPECT_FALSE(s.AddToPersonal(u"two\nlines", error));
  }
  EXPECT_EQ(ReadFile(path), "Terrabook\n");
  // A line that is not text is reported; the rest counts, and adding a word
  // appends without rewriting the file.
  { std::ofstream(path, std::ios::binary | std::ios::app) << "\xff\xfe\nLectern\n"; }
  TLTSpeller s;
  std::string error;
  ASSERT_TRUE(s.Open("en_TEST", {TestDictionaryDir()}, error));
  EXPECT_FALSE(s.LoadPersonal(path, error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  EXPECT_FALSE(s.IsMisspelled(u"Terrabook"));
  EXPECT_FALSE(s.IsMisspelled(u"Lectern"));
  ASSERT_TRUE(s.AddToPersonal(u"Zürich", error));
  EXPECT_EQ(ReadFile(path), "Terrabook\n\xff\xfe\nLectern\nZ\xc3\xbcrich\n");
}

TEST(LTSpeller, TheLocaleNamesTheLanguage) {
  const char* old = std::getenv("LC_ALL");
  const std::string saved = old ? old : "";
  setenv("LC_ALL", "de_CH.UTF-8@euro", 1);
  EXPECT_EQ(TLTSpeller::LocaleLanguage(), "de_CH");
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(TLTSpeller::LocaleLanguage(), "en_US");
  if (old)
    setenv("LC_ALL", saved.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace lectern::testing
