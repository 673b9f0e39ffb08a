// Where the Terrabook program's files are: beside it in the build folder,
// in the install's data folder and the user's data folder once installed.

#include "app/TerrabookPaths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#ifndef LECTERN_DATA_FROM_PROGRAM
#define LECTERN_DATA_FROM_PROGRAM "../share/terrabook"
#endif

namespace lectern {

namespace fs = std::filesystem;

const char* const LTTerrabookDataFromProgram = LECTERN_DATA_FROM_PROGRAM;
const char* const LTTerrabookOwnTemplate = "my-terrabook.ltf";

namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

bool IsFolder(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

/// Whether new files may be made in dir: saving writes a temporary file
/// beside the template and renames it over the old one.
bool MayWriteIn(const std::string& dir) { return ::access(dir.empty() ? "." : dir.c_str(), W_OK) == 0; }

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return {};
}

/// Copies the sample to target through a temporary file beside it, so that
/// a copy cut short never stands where the next start would take it for
/// the user's template. Returns what went wrong, or nothing.
std::string CopySample(const fs::path& sample, const fs::path& target) {
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  if (ec) return "its folder could not be made (" + ec.message() + ")";
  const fs::path temp = target.string() + ".part";
  fs::copy_file(sample, temp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return ec.message();
  }
  return {};
}

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  const fs::path ca = fs::weakly_canonical(a, ec1), cb = fs::weakly_canonical(b, ec2);
  return !ec1 && !ec2 && ca == cb;
}

/// The user's template: the one in userDir, made from the sample on the
/// first start.
std::string UserTemplate(const std::string& dataDir, const std::string& userDir, std::string& note) {
  const std::string sample = TTerrabookFiles::In(dataDir).Template;
  if (userDir.empty()) {
    note = "No home folder was found, so the sample template " + sample +
           " is opened; it cannot be saved over. Set HOME or XDG_DATA_HOME to keep your own template.";
    return sample;
  }
  // Installed into the user's own prefix (~/.local), the data folder is the
  // user's folder: the template gets a name of its own there, or the next
  // install would write the sample over the user's work.
  const std::string target =
      SameFolder(userDir, dataDir) ? userDir + LTTerrabookOwnTemplate : TTerrabookFiles::In(userDir).Template;
  std::error_code ec;
  if (fs::exists(target, ec)) return target;  // the user's own, perhaps edited: never copied over
  if (!IsFile(sample)) {
    note = "The sample template " + sample +
           " is missing, so the editor starts empty. Your template will be saved to " + target + ".";
    return target;
  }
  const std::string why = CopySample(sample, target);
  if (!why.empty()) {
    note = "The sample template could not be copied to " + target + ": " + why +
           ". The editor starts empty; saving will try that place again.";
    return target;
  }
  note = "Your template is kept in " + target + "; it started as a copy of the sample template.";
  return target;
}

}  // namespace

std::string TerrabookDataDir(const std::string& programDir) {
  const fs::path dir = fs::path(programDir.empty() ? "." : programDir) / LTTerrabookDataFromProgram;
  return WithSlash(dir.lexically_normal().string());
}

std::string TerrabookUserDir() {
  // Relative paths in XDG_DATA_HOME are invalid and ignored, as the base
  // directory rules ask.
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return WithSlash(xdg) + "terrabook/";
  const std::string home = HomeDir();
  return home.empty() ? std::string() : WithSlash(home) + ".local/share/terrabook/";
}

TTerrabookFiles LocateTerrabookFiles(const std::string& programDir, const std::string& userDir, std::string* note) {
  std::string said;
  const std::string dir = WithSlash(programDir);
  TTerrabookFiles files = TTerrabookFiles::In(dir);
  const std::string dataDir = TerrabookDataDir(dir);
  if (!IsFile(files.Table) && IsFolder(dataDir)) {
    files.Table = TTerrabookFiles::In(dataDir).Table;
    if (!IsFile(files.Template) || !MayWriteIn(dir)) files.Template = UserTemplate(dataDir, WithSlash(userDir), said);
  }
  if (note) *note = said;
  return files;
}

TTerrabookFiles LocateTerrabookFiles(const std::string& programDir, std::string* note) {
  return LocateTerrabookFiles(programDir, TerrabookUserDir(), note);
}

}  // namespace lectern
