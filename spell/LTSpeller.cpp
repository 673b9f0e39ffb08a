// Hunspell behind the word checker. Dictionaries and the personal word list
// are outside input: they are checked before Hunspell sees them, and a bad
// one gives a message, never a crash.

#include "spell/LTSpeller.h"

#include "platform/LTSysUtils.h"

#include <unicode/ucnv.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <hunspell.hxx>
#include <sstream>

namespace lectern {

namespace {

namespace fs = std::filesystem;

/// Hunspell stops looking at words longer than this; such a "word" (a code,
/// an encoded block) is not worth a mark.
constexpr size_t kMaxWordLength = 100;
/// Checked words remembered; most of a document is the same few thousand.
constexpr size_t kCacheSize = 200000;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string HomeFolder(const char* xdgName, const char* fallback) {
  std::string dir = Env(xdgName);
  if (!dir.empty()) return dir;
  const std::string home = Env("HOME");
  return home.empty() ? std::string() : home + "/" + fallback;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

/// The word count on the first line of a .dic file, which Hunspell needs.
bool LooksLikeDictionary(const fs::path& dic, std::string& error) {
  std::ifstream in(dic, std::ios::binary);
  std::string first;
  if (!in || !std::getline(in, first)) {
    error = "Cannot read the dictionary " + dic.string();
    return false;
  }
  if (first.size() >= 3 && first.compare(0, 3, "\xEF\xBB\xBF") == 0) first.erase(0, 3);
  while (!first.empty() && (first.back() == '\r' || first.back() == ' ')) first.pop_back();
  if (first.empty() || !TryStrToInt(first) || *TryStrToInt(first) < 0) {
    error = "The dictionary " + dic.string() + " is malformed: its first line must give the number of words";
    return false;
  }
  return true;
}

/// The folder of dirs holding lang.aff and lang.dic (or a variant of the
/// language when none holds it exactly) and the name found.
bool FindDictionary(const std::string& lang, const std::vector<std::string>& dirs, fs::path& dir, std::string& name) {
  std::error_code ec;
  for (const std::string& d : dirs) {
    if (fs::exists(fs::path(d) / (lang + ".dic"), ec) && fs::exists(fs::path(d) / (lang + ".aff"), ec)) {
      dir = d;
      name = lang;
      return true;
    }
  }
  const std::string base = lang.substr(0, lang.find('_'));
  for (const std::string& d : dirs) {
    if (!fs::is_directory(d, ec)) continue;
    for (const fs::directory_entry& e : fs::directory_iterator(d, ec)) {
      const fs::path p = e.path();
      const std::string stem = p.stem().string();
      if (p.extension() == ".dic" && stem.rfind(base + "_", 0) == 0 &&
          fs::exists(p.parent_path() / (stem + ".aff"), ec)) {
        dir = d;
        name = stem;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

TLTSpeller::TLTSpeller() = default;
TLTSpeller::~TLTSpeller() = default;

std::vector<std::string> TLTSpeller::DefaultDictionaryDirs() {
  std::vector<std::string> dirs;
  std::stringstream dicPath(Env("DICPATH"));
  for (std::string d; std::getline(dicPath, d, ':');)
    if (!d.empty()) dirs.push_back(d);
  const std::string data = HomeFolder("XDG_DATA_HOME", ".local/share");
  if (!data.empty()) dirs.push_back(data + "/hunspell");
  for (const char* d :
       {"/usr/local/share/hunspell", "/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"})
    dirs.emplace_back(d);
  return dirs;
}

std::string TLTSpeller::LocaleLanguage() {
  std::string lang;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    lang = Env(name);
    if (!lang.empty()) break;
  }
  lang = lang.substr(0, lang.find_first_of(".@"));
  if (lang.empty() || lang == "C" || lang == "POSIX") return "en_US";
  return lang;
}

std::string TLTSpeller::DefaultPersonalPath() {
  const std::string config = HomeFolder("XDG_CONFIG_HOME", ".config");
  return config.empty() ? std::string() : config + "/terrabook/words";
}

bool TLTSpeller::Open(const std::string& lang, const std::vector<std::string>& dirs, std::string& error) {
  fs::path dir;
  std::string name;
  if (lang.empty() || lang.find('/') != std::string::npos || !FindDictionary(lang, dirs, dir, name)) {
    error = "No dictionary for \"" + lang + "\" (looked for " + lang + ".aff and " + lang + ".dic in";
    for (const std::string& d : dirs) error += " " + d;
    error += ")";
    return false;
  }
  const fs::path aff = dir / (name + ".aff");
  const fs::path dic = dir / (name + ".dic");
  if (!LooksLikeDictionary(dic, error)) return false;
  if (!std::ifstream(aff)) {
    error = "Cannot read the affix file " + aff.string();
    return false;
  }
  auto dict = std::make_unique<Hunspell>(aff.c_str(), dic.c_str());
  std::lock_guard<std::mutex> lock(lock_);
  dict_ = std::move(dict);
  encoding_ = dict_->get_dict_encoding();
  lang_ = name;
  dicPath_ = dic.string();
  cache_.clear();
  for (const std::string& w : personal_) dict_->add(w);
  return true;
}

bool TLTSpeller::IsOpen() const {
  std::lock_guard<std::mutex> lock(lock_);
  return dict_ != nullptr;
}

std::string TLTSpeller::Language() const {
  std::lock_guard<std::mutex> lock(lock_);
  return lang_;
}

std::string TLTSpeller::DictionaryPath() const {
  std::lock_guard<std::mutex> lock(lock_);
  return dicPath_;
}

bool TLTSpeller::Encode(std::u16string_view word, std::string& out) const {
  if (encoding_ == "UTF-8" || encoding_ == "utf-8" || encoding_.empty()) {
    out = Utf16ToUtf8(word);
    return true;
  }
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(encoding_.c_str(), &err);
  if (U_FAILURE(err)) return false;
  ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  out.assign(word.size() * 4 + 4, '\0');
  err = U_ZERO_ERROR;
  const int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), word.data(),
                                    static_cast<int32_t>(word.size()), &err);
  ucnv_close(cnv);
  if (U_FAILURE(err)) return false;
  out.resize(static_cast<size_t>(n));
  return true;
}

std::u16string TLTSpeller::Decode(const std::string& text) const {
  if (encoding_ == "UTF-8" || encoding_ == "utf-8" || encoding_.empty()) return Utf8ToUtf16(text);
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(encoding_.c_str(), &err);
  if (U_FAILURE(err)) return {};
  std::u16string out(text.size() + 1, u'\0');
  const int32_t n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                  static_cast<int32_t>(text.size()), &err);
  ucnv_close(cnv);
  if (U_FAILURE(err)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

bool TLTSpeller::CheckLocked(const std::u16string& word) {
  if (auto it = cache_.find(word); it != cache_.end()) return it->second;
  std::string encoded;
  // A word the dictionary cannot even spell is not in it.
  const bool misspelled = !Encode(word, encoded) || !dict_->spell(encoded);
  if (cache_.size() >= kCacheSize) cache_.clear();
  cache_.emplace(word, misspelled);
  return misspelled;
}

bool TLTSpeller::IsMisspelled(std::u16string_view word) {
  if (word.empty() || word.size() > kMaxWordLength) return false;
  std::lock_guard<std::mutex> lock(lock_);
  if (!dict_) return false;
  return CheckLocked(std::u16string(word));
}

std::vector<std::u16string> TLTSpeller::Suggest(std::u16string_view word, size_t max) {
  std::vector<std::u16string> out;
  if (word.empty() || word.size() > kMaxWordLength) return out;
  std::lock_guard<std::mutex> lock(lock_);
  std::string encoded;
  if (!dict_ || !Encode(word, encoded)) return out;
  for (const std::string& s : dict_->suggest(encoded)) {
    if (out.size() >= max) break;
    out.push_back(Decode(s));
  }
  return out;
}

bool TLTSpeller::LoadPersonal(const std::string& path, std::string& error) {
  std::lock_guard<std::mutex> lock(lock_);
  personalPath_ = path;
  std::error_code ec;
  if (!fs::exists(path, ec)) return true;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "Cannot read the personal word list " + path;
    return false;
  }
  int lineNo = 0;
  int bad = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (!IsValidUtf8(line) || line.find('\0') != std::string::npos || line.size() > 4 * kMaxWordLength) {
      if (bad++ == 0)
        error = "The personal word list " + path + " has a line that is not a word (line " + IntToStr(lineNo) + ")";
      continue;
    }
    personal_.push_back(line);
    if (dict_) {
      std::string encoded;
      if (Encode(Utf8ToUtf16(line), encoded)) dict_->add(encoded);
    }
  }
  cache_.clear();
  return bad == 0;
}

bool TLTSpeller::AddToPersonal(std::u16string_view word, std::string& error) {
  if (word.empty() || word.size() > kMaxWordLength || word.find_first_of(u"\r\n") != std::u16string_view::npos) {
    error = "Not a word";
    return false;
  }
  const std::string utf8 = Utf16ToUtf8(word);
  std::lock_guard<std::mutex> lock(lock_);
  personal_.push_back(utf8);
  std::string encoded;
  if (dict_ && Encode(word, encoded)) dict_->add(encoded);
  cache_.erase(std::u16string(word));
  if (personalPath_.empty()) personalPath_ = DefaultPersonalPath();
  if (personalPath_.empty()) {
    error = "No folder for the personal word list (HOME is not set)";
    return false;
  }
  std::error_code ec;
  fs::create_directories(fs::path(personalPath_).parent_path(), ec);
  // Appended, never rewritten: a list with lines we could not read keeps them.
  std::ofstream out(personalPath_, std::ios::binary | std::ios::app);
  out << utf8 << '\n';
  out.flush();
  if (!out) {
    error = "Cannot write the personal word list " + personalPath_;
    return false;
  }
  return true;
}

}  // namespace lectern
