// Memory, file and safe-replacement streams. The safe writer exists so that
// a failed or interrupted save never leaves a half-written document behind.

#include "platform/LTStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace lectern {

namespace {

std::string ErrnoText(int err) { return std::strerror(err); }

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Permission bits for a new file: the process umask applied to 0666. The
// umask is read from /proc because umask() itself would change it.
mode_t DefaultFileMode() {
  mode_t mask = 022;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
      break;
    }
  }
  return 0666 & ~mask;
}

}  // namespace

// ---------------------------------------------------------------- TLTStream

std::string TLTStream::ReadRest() {
  std::string out;
  char buffer[65536];
  for (;;) {
    size_t n = Read(buffer, sizeof buffer);
    out.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  return out;
}

// ---------------------------------------------------------- TLTMemoryStream

size_t TLTMemoryStream::Read(void* buffer, size_t count) {
  if (pos_ >= data_.size() || count == 0) return 0;
  size_t n = std::min(count, data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t TLTMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (count > data_.max_size() - pos_) return 0;
  size_t end = pos_ + count;
  try {
    if (end > data_.size()) data_.resize(end, '\0');  // fills a gap left by a seek past the end
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const std::length_error&) {
    return 0;
  }
  std::memcpy(data_.data() + pos_, buffer, count);
  pos_ = end;
  return count;
}

int64_t TLTMemoryStream::Seek(int64_t offset, TLTSeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case TLTSeekOrigin::Begin:
      base = 0;
      break;
    case TLTSeekOrigin::Current:
      base = static_cast<int64_t>(pos_);
      break;
    case TLTSeekOrigin::End:
      base = static_cast<int64_t>(data_.size());
      break;
  }
  if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) return -1;
  int64_t target = base + offset;
  if (target < 0) return -1;
  pos_ = static_cast<size_t>(target);
  return target;
}

bool TLTMemoryStream::SetSize(int64_t size) {
  if (size < 0 || static_cast<uint64_t>(size) > data_.max_size()) return false;
  try {
    data_.resize(static_cast<size_t>(size), '\0');
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  if (pos_ > data_.size()) pos_ = data_.size();
  return true;
}

std::string TLTMemoryStream::TakeData() {
  std::string out = std::move(data_);
  data_.clear();
  pos_ = 0;
  return out;
}

void TLTMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

// ------------------------------------------------------------ TLTFileStream

std::unique_ptr<TLTFileStream> TLTFileStream::OpenNoFollow(const std::string& path, TLTFileMode mode,
                                                           std::string* error) {
  const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (mode == TLTFileMode::CreateNew ? O_CREAT | O_EXCL : 0);
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    SetError(error, ErrnoText(errno));
    return nullptr;
  }
  struct stat st {};
  // A file to replace must be a regular one its owner may write; the check
  // is on the opened file, so nothing can be swapped in between.
  if (mode == TLTFileMode::ReplaceRegular &&
      (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0 || ftruncate(fd, 0) != 0)) {
    ::close(fd);
    errno = EPERM;
    SetError(error, ErrnoText(EPERM));
    return nullptr;
  }
  std::FILE* f = fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    SetError(error, ErrnoText(errno));
    return nullptr;
  }
  return std::unique_ptr<TLTFileStream>(new TLTFileStream(f));
}

std::unique_ptr<TLTFileStream> TLTFileStream::Open(const std::string& path, TLTFileMode mode, std::string* error) {
  if (mode == TLTFileMode::CreateNew || mode == TLTFileMode::ReplaceRegular) return OpenNoFollow(path, mode, error);
  const char* how = "rbe";
  if (mode == TLTFileMode::Create) how = "w+be";
  if (mode == TLTFileMode::ReadWrite) how = "r+be";
  std::FILE* f = std::fopen(path.c_str(), how);
  if (!f) {
    SetError(error, ErrnoText(errno));
    return nullptr;
  }
  struct stat st {};
  if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(f);
    SetError(error, ErrnoText(EISDIR));
    return nullptr;
  }
  return std::unique_ptr<TLTFileStream>(new TLTFileStream(f));
}

TLTFileStream::~TLTFileStream() { Close(); }

void TLTFileStream::Switch(bool writing) {
  if (writing != writing_) {
    std::fseek(file_, 0, SEEK_CUR);
    writing_ = writing;
  }
}

size_t TLTFileStream::Read(void* buffer, size_t count) {
  if (!file_ || count == 0) return 0;
  Switch(false);
  return std::fread(buffer, 1, count, file_);
}

size_t TLTFileStream::Write(const void* buffer, size_t count) {
  if (!file_ || count == 0) return 0;
  Switch(true);
  size_t n = std::fwrite(buffer, 1, count, file_);
  if (n != count) failed_ = true;
  return n;
}

int64_t TLTFileStream::Seek(int64_t offset, TLTSeekOrigin origin) {
  if (!file_) return -1;
  int whence = origin == TLTSeekOrigin::Begin ? SEEK_SET : (origin == TLTSeekOrigin::Current ? SEEK_CUR : SEEK_END);
  if (offset == 0 && origin == TLTSeekOrigin::Current) return ftello(file_);
  if (fseeko(file_, static_cast<off_t>(offset), whence) != 0) return -1;
  writing_ = false;  // a seek ends either direction
  return ftello(file_);
}

int64_t TLTFileStream::Size() {
  if (!file_) return -1;
  if (std::fflush(file_) != 0) failed_ = true;
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0) return -1;
  return st.st_size;
}

bool TLTFileStream::SetSize(int64_t size) {
  if (!file_ || size < 0) return false;
  if (std::fflush(file_) != 0) {
    failed_ = true;
    return false;
  }
  if (ftruncate(fileno(file_), static_cast<off_t>(size)) != 0) return false;
  off_t pos = ftello(file_);
  if (pos > size)
    fseeko(file_, static_cast<off_t>(size), SEEK_SET);
  else
    fseeko(file_, pos, SEEK_SET);  // drops stdio's read-ahead of the old contents
  writing_ = false;
  return true;
}

bool TLTFileStream::Sync() {
  if (!file_) return false;
  if (std::fflush(file_) != 0) failed_ = true;
  if (fsync(fileno(file_)) != 0) failed_ = true;
  return !failed_;
}

bool TLTFileStream::Close() {
  if (!file_) return !failed_;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

// -------------------------------------------------------- TLTSafeFileWriter

TLTSafeFileWriter::TLTSafeFileWriter(std::string target, std::string temp, std::unique_ptr<TLTFileStream> file)
    : target_(std::move(target)), temp_(std::move(temp)), file_(std::move(file)) {}

std::unique_ptr<TLTSafeFileWriter> TLTSafeFileWriter::Create(const std::string& path, std::string* error) {
  if (path.empty() || path.back() == '/') {
    SetError(error, ErrnoText(EINVAL));
    return nullptr;
  }
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetError(error, ErrnoText(EISDIR));
    return nullptr;
  }
  // The temporary name must fit the folder's name limit even when the
  // target's name already uses most of it.
  std::string temp = dir + (dir.back() == '/' ? "" : "/") + "." + base.substr(0, 64) + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    SetError(error, ErrnoText(errno));
    return nullptr;
  }
  // mkstemp makes the file private; a saved document should get the mode
  // the target has, or the one a newly created file would get.
  mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : DefaultFileMode();
  fchmod(fd, mode);
  std::FILE* f = fdopen(fd, "w+b");
  if (!f) {
    int err = errno;
    close(fd);
    unlink(temp.c_str());
    SetError(error, ErrnoText(err));
    return nullptr;
  }
  std::unique_ptr<TLTFileStream> file(new TLTFileStream(f));
  return std::unique_ptr<TLTSafeFileWriter>(new TLTSafeFileWriter(path, std::move(temp), std::move(file)));
}

TLTSafeFileWriter::~TLTSafeFileWriter() {
  if (!committed_) {
    if (file_) file_->Close();
    unlink(temp_.c_str());
  }
}

size_t TLTSafeFileWriter::Read(void* buffer, size_t count) { return committed_ ? 0 : file_->Read(buffer, count); }

size_t TLTSafeFileWriter::Write(const void* buffer, size_t count) {
  return committed_ ? 0 : file_->Write(buffer, count);
}

int64_t TLTSafeFileWriter::Seek(int64_t offset, TLTSeekOrigin origin) {
  return committed_ ? -1 : file_->Seek(offset, origin);
}

int64_t TLTSafeFileWriter::Size() { return committed_ ? -1 : file_->Size(); }

bool TLTSafeFileWriter::SetSize(int64_t size) { return !committed_ && file_->SetSize(size); }

bool TLTSafeFileWriter::Commit(std::string* error) {
  if (committed_) {
    SetError(error, "already committed");
    return false;
  }
  bool ok = file_->Sync();
  int err = errno;
  if (!file_->Close()) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    SetError(error, err ? ErrnoText(err) : std::string("write failed"));
    return false;  // the destructor removes the temporary file
  }
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  committed_ = true;
  // Make the rename itself durable.
  size_t slash = target_.rfind('/');
  std::string dir = slash == std::string::npos ? std::string(".") : target_.substr(0, slash == 0 ? 1 : slash);
  int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

// ---------------------------------------------------------------- helpers

bool ReadFileBytes(const std::string& path, std::string& out, std::string* error) {
  out.clear();
  FilePtr f(std::fopen(path.c_str(), "rbe"));
  if (!f) {
    SetError(error, ErrnoText(errno));
    return false;
  }
  char buffer[65536];
  for (;;) {
    size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
    try {
      out.append(buffer, n);
    } catch (const std::exception&) {
      out.clear();
      SetError(error, ErrnoText(ENOMEM));
      return false;
    }
    if (n < sizeof buffer) break;
  }
  if (std::ferror(f.get())) {
    int err = errno;
    out.clear();
    SetError(error, ErrnoText(err ? err : EIO));
    return false;
  }
  return true;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  auto writer = TLTSafeFileWriter::Create(path, error);
  if (!writer) return false;
  if (!bytes.empty() && !writer->WriteBytes(bytes)) {
    SetError(error, ErrnoText(errno ? errno : EIO));
    return false;
  }
  return writer->Commit(error);
}

}  // namespace lectern
