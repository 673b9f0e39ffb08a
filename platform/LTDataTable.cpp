#include "platform/LTDataTable.h"

#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>

namespace lectern {

namespace {

bool SameNameAscii(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

bool Contains(const std::string& upper, const char* part) { return upper.find(part) != std::string::npos; }

/// The kind of a column from its declared type: the words that name large
/// objects first, then the affinity rules of the storage engine.
TLTFieldType TypeOfDeclaration(const char* declared) {
  std::string t = declared ? declared : "";
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (t.empty()) return ltftUnknown;
  for (const char* word : {"BLOB", "MEMO", "GRAPHIC", "BINARY", "IMAGE"})
    if (Contains(t, word)) return ltftBlob;
  if (Contains(t, "INT")) return ltftInteger;
  if (Contains(t, "CHAR") || Contains(t, "CLOB") || Contains(t, "TEXT")) return ltftString;
  return ltftFloat;  // REAL, FLOAT, DOUBLE and numeric affinity
}

}  // namespace

// ---- TLTDataField / TLTDataTable ------------------------------------------------

TLTString TLTDataField::AsWideString() const { return Utf8ToUtf16(AsString()); }

void TLTDataTable::First() {
  CheckActive();
  if (RecordCount() > 0) SetRecNo(1);
}

TLTDataField& TLTDataTable::FieldByName(std::string_view name) {
  CheckActive();
  if (TLTDataField* f = FindField(name)) return *f;
  throw EDatabaseError("Field \"" + std::string(name) + "\" not found in data table \"" + fileName_ + "\"");
}

void TLTDataTable::CheckActive() const {
  if (!Active()) throw EDatabaseError("Data table is not open");
}

std::string SQLiteQuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// ---- TLTSQLiteTable ---------------------------------------------------------------

/// One column of the table and its value in the current record.
class TLTSQLiteTable::TField : public TLTDataField {
 public:
  TField(std::string name, TLTFieldType declared) : name_(std::move(name)), declared_(declared) {}
  const std::string& FieldName() const override { return name_; }
  TLTFieldType DataType() const override {
    if (declared_ != ltftUnknown) return declared_;
    // A column without a declared type takes whatever it is given; the
    // value decides.
    switch (storage_) {
      case SQLITE_INTEGER:
        return ltftInteger;
      case SQLITE_FLOAT:
        return ltftFloat;
      case SQLITE_TEXT:
        return ltftString;
      case SQLITE_BLOB:
        return ltftBlob;
      default:
        return ltftUnknown;
    }
  }
  bool IsNull() const override { return storage_ == SQLITE_NULL; }
  std::string AsString() const override { return value_; }
  void SaveToStream(TLTStream& stream) const override {
    if (!stream.WriteBytes(value_)) throw EDatabaseError("Cannot write the value of field \"" + name_ + "\"");
  }

  void Load(sqlite3_stmt* st, int column) {
    storage_ = sqlite3_column_type(st, column);
    if (storage_ == SQLITE_NULL) {
      value_.clear();
      return;
    }
    // Reading the bytes before their count keeps the engine from converting
    // the value after the count was taken.
    const auto* bytes = static_cast<const char*>(storage_ == SQLITE_BLOB ? sqlite3_column_blob(st, column)
                                                                         : sqlite3_column_text(st, column));
    int n = sqlite3_column_bytes(st, column);
    value_.assign(bytes ? bytes : "", bytes ? static_cast<size_t>(n) : 0);
  }
  void Reset() {
    storage_ = SQLITE_NULL;
    value_.clear();
  }

 private:
  std::string name_;
  TLTFieldType declared_;
  int storage_ = SQLITE_NULL;
  std::string value_;
};

TLTSQLiteTable::TLTSQLiteTable() = default;

TLTSQLiteTable::~TLTSQLiteTable() { Close(); }

void TLTSQLiteTable::Fail(const std::string& what) const {
  std::string msg = what;
  if (db_) msg += ": " + std::string(sqlite3_errmsg(db_));
  throw EDatabaseError(msg);
}

void TLTSQLiteTable::Open() {
  Close();
  std::error_code ec;
  if (fileName_.empty()) throw EDatabaseError("No data table file is set");
  if (!std::filesystem::is_regular_file(fileName_, ec))
    throw EDatabaseError("Data table file \"" + fileName_ + "\" does not exist");
  try {
    int rc = sqlite3_open_v2(fileName_.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) Fail("Cannot open data table file \"" + fileName_ + "\"");
    // Find the table; this is also where a file that is no database shows.
    const char* listSql =
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"
        " ORDER BY rowid";
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(db_, listSql, -1, &list, nullptr) != SQLITE_OK)
      Fail("\"" + fileName_ + "\" is not a readable data table file");
    std::vector<std::string> tables;
    while ((rc = sqlite3_step(list)) == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(list, 0));
      tables.emplace_back(t ? t : "");
    }
    sqlite3_finalize(list);
    if (rc != SQLITE_DONE) Fail("\"" + fileName_ + "\" is not a readable data table file");
    if (tableName_.empty()) {
      if (tables.empty()) throw EDatabaseError("\"" + fileName_ + "\" holds no table");
      openTable_ = tables.front();
    } else {
      auto it = std::find_if(tables.begin(), tables.end(),
                             [&](const std::string& t) { return SameNameAscii(t, tableName_); });
      if (it == tables.end()) throw EDatabaseError("Table \"" + tableName_ + "\" not found in \"" + fileName_ + "\"");
      openTable_ = *it;
    }
    ReadKeys();
    ReadColumns();
    current_ = 0;
    if (recordCount_ > 0) LoadRecord(0);
  } catch (...) {
    Close();
    throw;
  }
}

void TLTSQLiteTable::ReadKeys() {
  std::string q = SQLiteQuoteName(openTable_);
  sqlite3_stmt* st = nullptr;
  keys_.clear();
  byPosition_ =
      sqlite3_prepare_v2(db_, ("SELECT rowid FROM " + q + " ORDER BY rowid").c_str(), -1, &st, nullptr) != SQLITE_OK;
  if (byPosition_) {
    // A table without row ids: records are addressed by their position.
    if (sqlite3_prepare_v2(db_, ("SELECT count(*) FROM " + q).c_str(), -1, &st, nullptr) != SQLITE_OK)
      Fail("Cannot read table \"" + openTable_ + "\"");
  }
  int rc;
  int64_t count = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    if (byPosition_) {
      count = sqlite3_column_int64(st, 0);
    } else {
      keys_.push_back(sqlite3_column_int64(st, 0));
      count = static_cast<int64_t>(keys_.size());
    }
    if (count > INT_MAX) break;
  }
  sqlite3_finalize(st);
  if (count > INT_MAX) throw EDatabaseError("Table \"" + openTable_ + "\" has too many records");
  if (rc != SQLITE_DONE) Fail("Cannot read table \"" + openTable_ + "\"");
  recordCount_ = static_cast<int>(count);
}

void TLTSQLiteTable::ReadColumns() {
  std::string sql =
      "SELECT * FROM " + SQLiteQuoteName(openTable_) + (byPosition_ ? " LIMIT 1 OFFSET ?1" : " WHERE rowid = ?1");
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &rowQuery_, nullptr) != SQLITE_OK)
    Fail("Cannot read table \"" + openTable_ + "\"");
  fields_.clear();
  int n = sqlite3_column_count(rowQuery_);
  for (int c = 0; c < n; ++c) {
    const char* name = sqlite3_column_name(rowQuery_, c);
    fields_.push_back(
        std::make_unique<TField>(name ? name : "", TypeOfDeclaration(sqlite3_column_decltype(rowQuery_, c))));
  }
}

void TLTSQLiteTable::LoadRecord(int index) {
  current_ = index;
  sqlite3_reset(rowQuery_);
  sqlite3_bind_int64(rowQuery_, 1, byPosition_ ? index : keys_[static_cast<size_t>(index)]);
  int rc = sqlite3_step(rowQuery_);
  if (rc == SQLITE_ROW) {
    for (size_t c = 0; c < fields_.size(); ++c) fields_[c]->Load(rowQuery_, static_cast<int>(c));
  } else {
    for (auto& f : fields_) f->Reset();
    if (rc != SQLITE_DONE) Fail("Cannot read record " + std::to_string(index + 1) + " of table \"" + openTable_ + "\"");
  }
  sqlite3_reset(rowQuery_);
}

void TLTSQLiteTable::Close() {
  if (rowQuery_) sqlite3_finalize(rowQuery_);
  rowQuery_ = nullptr;
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
  fields_.clear();
  keys_.clear();
  recordCount_ = 0;
  current_ = 0;
}

int TLTSQLiteTable::RecNo() const { return Active() && current_ < recordCount_ ? current_ + 1 : 0; }

void TLTSQLiteTable::SetRecNo(int recNo) {
  CheckActive();
  if (recNo < 1 || recNo > recordCount_)
    throw EDatabaseError("Record number " + std::to_string(recNo) + " is out of range (the table has " +
                         std::to_string(recordCount_) + " records)");
  LoadRecord(recNo - 1);
}

void TLTSQLiteTable::Next() {
  CheckActive();
  if (current_ >= recordCount_) return;
  if (current_ + 1 < recordCount_) {
    LoadRecord(current_ + 1);
  } else {
    current_ = recordCount_;
    for (auto& f : fields_) f->Reset();
  }
}

bool TLTSQLiteTable::Eof() const { return !Active() || current_ >= recordCount_; }

TLTDataField& TLTSQLiteTable::Field(int index) {
  CheckActive();
  if (index < 0 || index >= FieldCount())
    throw EDatabaseError("Field index " + std::to_string(index) + " is out of range");
  return *fields_[static_cast<size_t>(index)];
}

TLTDataField* TLTSQLiteTable::FindField(std::string_view name) {
  for (auto& f : fields_)
    if (SameNameAscii(f->FieldName(), name)) return f.get();
  return nullptr;
}

}  // namespace lectern
