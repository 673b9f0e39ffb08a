#pragma once
// Builds small SQLite table files for tests of the data table, the merge
// and the tool.

#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace lectern::testing {

/// One value: text, a large object (bytes), an integer, or NULL.
struct TTestValue {
  enum TKind { Null, Text, Blob, Integer } Kind = Null;
  std::string Bytes;
  long long Int = 0;
  static TTestValue T(std::string s) { return {Text, std::move(s), 0}; }
  static TTestValue B(std::string s) { return {Blob, std::move(s), 0}; }
  static TTestValue I(long long v) { return {Integer, {}, v}; }
};

/// Creates path with one table; columns are "name TYPE" declarations.
inline void MakeTable(const std::string& path, const std::string& table, const std::vector<std::string>& columns,
                      const std::vector<std::vector<TTestValue>>& rows, const std::string& tableSuffix = {}) {
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot create " + path);
  std::string sql = "CREATE TABLE \"" + table + "\" (";
  for (size_t i = 0; i < columns.size(); ++i) sql += (i ? ", " : "") + columns[i];
  sql += ")" + tableSuffix;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db));
  std::string insert = "INSERT INTO \"" + table + "\" VALUES (";
  for (size_t i = 0; i < columns.size(); ++i) insert += i ? ", ?" : "?";
  insert += ")";
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, insert.c_str(), -1, &st, nullptr);
  for (const auto& row : rows) {
    sqlite3_reset(st);
    for (size_t c = 0; c < row.size(); ++c) {
      const TTestValue& v = row[c];
      const int k = static_cast<int>(c) + 1;
      switch (v.Kind) {
        case TTestValue::Null:
          sqlite3_bind_null(st, k);
          break;
        case TTestValue::Text:
          sqlite3_bind_text(st, k, v.Bytes.data(), static_cast<int>(v.Bytes.size()), SQLITE_TRANSIENT);
          break;
        case TTestValue::Blob:
          sqlite3_bind_blob(st, k, v.Bytes.data(), static_cast<int>(v.Bytes.size()), SQLITE_TRANSIENT);
          break;
        case TTestValue::Integer:
          sqlite3_bind_int64(st, k, v.Int);
          break;
      }
    }
    if (sqlite3_step(st) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
}

/// A unique scratch folder for the running test, removed with the object.
struct TTempDir {
  std::filesystem::path Path;
  explicit TTempDir(const std::string& name) {
    Path = std::filesystem::temp_directory_path() / ("lectern-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Path);
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  std::string operator/(const std::string& name) const { return (Path / name).string(); }
};

}  // namespace lectern::testing
