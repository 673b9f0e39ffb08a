// Feeds arbitrary bytes to the data table as a table file: opening, walking
// and reading every field of every record must fail cleanly or succeed.

#include "platform/LTDataTable.h"
#include "platform/LTStream.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lectern;
  static const std::string path = "/tmp/lectern-datatable-fuzz-" + std::to_string(::getpid()) + ".db";
  if (!WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  TLTSQLiteTable table;
  table.SetFileName(path);
  try {
    table.Open();
    int records = 0;
    for (table.First(); !table.Eof() && records < 64; table.Next(), ++records)
      for (int f = 0; f < table.FieldCount(); ++f) {
        TLTDataField& field = table.Field(f);
        (void)field.DataType();
        (void)field.AsWideString();
        TLTMemoryStream m;
        field.SaveToStream(m);
      }
    if (table.RecordCount() > 0) table.SetRecNo(table.RecordCount());
  } catch (const EDatabaseError&) {
  }
  return 0;
}
