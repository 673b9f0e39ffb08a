#pragma once
// The data-table service: a read-only table of records whose fields are read
// by name, as strings or as the bytes of a large object. The report merge
// reads the current record through it; TLTSQLiteTable keeps the table in an
// SQLite file.

#include "platform/LTTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace lectern {

class TLTStream;

/// Raised for every failure of the service; the message names the file,
/// table or field concerned.
class EDatabaseError : public ELecternError {
 public:
  using ELecternError::ELecternError;
};

/// What a field holds, as its column declares it.
enum TLTFieldType : uint8_t {
  ltftUnknown,
  ltftString,
  ltftInteger,
  ltftFloat,
  ltftBlob,  // a large object: binary data, long text or a picture
};

/// One field of the current record.
class TLTDataField {
 public:
  virtual ~TLTDataField() = default;
  virtual const std::string& FieldName() const = 0;
  virtual TLTFieldType DataType() const = 0;
  bool IsString() const { return DataType() == ltftString; }
  bool IsBlob() const { return DataType() == ltftBlob; }
  /// Whether the current record holds no value (SQL NULL).
  virtual bool IsNull() const = 0;
  /// The value as UTF-8 text (numbers in their usual notation, a large
  /// object as its bytes, nothing for NULL).
  virtual std::string AsString() const = 0;
  /// The value as UTF-16 (invalid UTF-8 becomes replacement characters).
  TLTString AsWideString() const;
  /// Writes the value's bytes at the stream's position; raises when the
  /// stream takes fewer.
  virtual void SaveToStream(TLTStream& stream) const = 0;
};

/// A read-only table with a current record. Record numbers are 1-based; an
/// empty table has none and is at its end from the start.
class TLTDataTable {
 public:
  virtual ~TLTDataTable() = default;

  void SetFileName(std::string path) { fileName_ = std::move(path); }
  const std::string& FileName() const { return fileName_; }
  /// The table to read; empty means the file's first table.
  void SetTableName(std::string name) { tableName_ = std::move(name); }
  const std::string& TableName() const { return tableName_; }

  /// Opens the file read-only and goes to the first record. Raises
  /// EDatabaseError when the file is missing, is no table file, or lacks
  /// the table.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool Active() const = 0;

  virtual int RecordCount() const = 0;
  /// The current record's number, 0 when there is none.
  virtual int RecNo() const = 0;
  /// Raises EDatabaseError for a number outside 1..RecordCount.
  virtual void SetRecNo(int recNo) = 0;
  void First();
  /// Moves past the current record; past the last one Eof becomes true.
  virtual void Next() = 0;
  virtual bool Eof() const = 0;

  virtual int FieldCount() const = 0;
  virtual TLTDataField& Field(int index) = 0;
  /// The field of that name (compared without regard to ASCII case, as
  /// column names are), or null.
  virtual TLTDataField* FindField(std::string_view name) = 0;
  /// The same; raises EDatabaseError naming the field when there is none.
  TLTDataField& FieldByName(std::string_view name);

 protected:
  /// Raises EDatabaseError "Data table is not open" when closed.
  void CheckActive() const;
  std::string fileName_;
  std::string tableName_;
};

/// The service over an SQLite file. The record list is taken when the table
/// opens; a record's values are read when it becomes current.
class TLTSQLiteTable : public TLTDataTable {
 public:
  TLTSQLiteTable();
  ~TLTSQLiteTable() override;

  void Open() override;
  void Close() override;
  bool Active() const override { return db_ != nullptr; }
  int RecordCount() const override { return recordCount_; }
  int RecNo() const override;
  void SetRecNo(int recNo) override;
  void Next() override;
  bool Eof() const override;
  int FieldCount() const override { return static_cast<int>(fields_.size()); }
  TLTDataField& Field(int index) override;
  TLTDataField* FindField(std::string_view name) override;

 private:
  class TField;
  friend class TField;
  [[noreturn]] void Fail(const std::string& what) const;
  void ReadColumns();
  void ReadKeys();
  /// Makes record index (0-based) current and reads its values.
  void LoadRecord(int index);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* rowQuery_ = nullptr;
  std::string openTable_;
  std::vector<std::unique_ptr<TField>> fields_;
  /// Row ids in table order; empty when the table has none (then records
  /// are found by their position).
  std::vector<int64_t> keys_;
  bool byPosition_ = false;
  int recordCount_ = 0;
  int current_ = 0;  // 0-based; recordCount_ at the end
};

/// Quotes an SQL identifier.
std::string SQLiteQuoteName(std::string_view name);

}  // namespace lectern
