#pragma once
// Byte streams: the abstract stream the readers and writers use, a stream in
// memory, a file stream, and a file writer that replaces its target only
// when everything was written.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace lectern {

enum class TLTSeekOrigin { Begin, Current, End };

/// Abstract byte stream. Read and Write return the number of bytes moved;
/// a short count means end of stream or failure.
class TLTStream {
 public:
  virtual ~TLTStream() = default;
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  /// Returns the new position, or -1 when the position is invalid.
  virtual int64_t Seek(int64_t offset, TLTSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  /// Cuts or extends the stream; the position stays unless it lies past the end.
  virtual bool SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TLTSeekOrigin::Current); }
  bool SetPosition(int64_t pos) { return Seek(pos, TLTSeekOrigin::Begin) == pos; }
  bool ReadExact(void* buffer, size_t count) { return Read(buffer, count) == count; }
  bool WriteAll(const void* buffer, size_t count) { return Write(buffer, count) == count; }
  bool WriteBytes(std::string_view bytes) { return WriteAll(bytes.data(), bytes.size()); }
  /// Everything from the position to the end.
  std::string ReadRest();
};

/// A stream over a growable byte buffer.
class TLTMemoryStream : public TLTStream {
 public:
  TLTMemoryStream() = default;
  explicit TLTMemoryStream(std::string data) : data_(std::move(data)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TLTSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  bool SetSize(int64_t size) override;

  const std::string& Data() const { return data_; }
  std::string TakeData();
  void Clear();

 private:
  std::string data_;
  size_t pos_ = 0;
};

/// CreateNew creates a file that is not there yet and never follows a link;
/// ReplaceRegular opens an existing regular, writable file (not a link) and
/// empties it. Both exist so that files named after untrusted input cannot
/// be redirected elsewhere.
enum class TLTFileMode { Read, Create, ReadWrite, CreateNew, ReplaceRegular };

/// A stream over a file. Open returns null and sets the error text (from the
/// system) when the file cannot be opened.
class TLTFileStream : public TLTStream {
 public:
  static std::unique_ptr<TLTFileStream> Open(const std::string& path, TLTFileMode mode, std::string* error = nullptr);
  ~TLTFileStream() override;
  TLTFileStream(const TLTFileStream&) = delete;
  TLTFileStream& operator=(const TLTFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TLTSeekOrigin origin) override;
  int64_t Size() override;
  bool SetSize(int64_t size) override;
  /// Flushes and closes; false when anything written could not be stored.
  bool Close();

 private:
  friend class TLTSafeFileWriter;
  explicit TLTFileStream(std::FILE* f) : file_(f) {}
  static std::unique_ptr<TLTFileStream> OpenNoFollow(const std::string& path, TLTFileMode mode, std::string* error);
  /// Flushes the buffers and fsyncs the file; false when either fails.
  bool Sync();
  /// stdio needs a positioning call between a read and a following write
  /// (and the other way round).
  void Switch(bool writing);
  std::FILE* file_;
  bool failed_ = false;
  bool writing_ = false;
};

/// Writes a file through a temporary file in the same folder that is renamed
/// over the target by Commit. Without Commit (or when anything failed) the
/// temporary file is removed and an existing target stays untouched.
class TLTSafeFileWriter : public TLTStream {
 public:
  static std::unique_ptr<TLTSafeFileWriter> Create(const std::string& path, std::string* error = nullptr);
  ~TLTSafeFileWriter() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TLTSeekOrigin origin) override;
  int64_t Size() override;
  bool SetSize(int64_t size) override;
  /// Flushes, syncs and renames over the target; false (and the error text)
  /// on any failure, in which case the target is unchanged.
  bool Commit(std::string* error = nullptr);

 private:
  TLTSafeFileWriter(std::string target, std::string temp, std::unique_ptr<TLTFileStream> file);
  std::string target_;
  std::string temp_;
  std::unique_ptr<TLTFileStream> file_;
  bool committed_ = false;
};

/// Whole-file helpers; false and the error text on failure. WriteFileAtomic
/// goes through TLTSafeFileWriter.
bool ReadFileBytes(const std::string& path, std::string& out, std::string* error = nullptr);
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace lectern
