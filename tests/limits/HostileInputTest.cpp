// The readers against inputs built to hurt, through the tool as a user runs
// it: every input must end within its time allowance and within 4 times its
// size plus 64 MB of heap, with exit status 1 and the reason, or with 0
// where the input is valid however unusual.
//
// Times are the process's processor time (other work on the machine does
// not count), allowed one second in an optimised build; builds with
// sanitizers or without optimisation run tens of times slower and get forty.
// The inputs are large enough (megabytes, or a nesting that doubles per
// level) that quadratic or exponential work would take far longer either way.

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTPropStream.h"
#include "table/LTTable.h"
#include "tests/support/TestTable.h"
#include "tools/lectern/LecternTool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <new>
#include <sstream>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LECTERN_HEAP_HOOKS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LECTERN_HEAP_HOOKS 1
#endif

#ifdef LECTERN_HEAP_HOOKS
// The sanitizer runtime's allocator interface (its header comes with clang only).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                              void (*onFree)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

// ---- The heap, measured -------------------------------------------------------------

namespace {

std::atomic<int64_t> gHeap{0};
std::atomic<int64_t> gPeak{0};

void Allocated(size_t n) {
  const int64_t now = gHeap.fetch_add(static_cast<int64_t>(n), std::memory_order_relaxed) + static_cast<int64_t>(n);
  int64_t peak = gPeak.load(std::memory_order_relaxed);
  while (now > peak && !gPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

void Freed(size_t n) { gHeap.fetch_sub(static_cast<int64_t>(n), std::memory_order_relaxed); }

}  // namespace

#ifdef LECTERN_HEAP_HOOKS
// The sanitizer's allocator tells of every allocation and release.
extern "C" {
static void OnMalloc(const volatile void*, size_t size) { Allocated(size); }
static void OnFree(const volatile void* p) { Freed(__sanitizer_get_allocated_size(p)); }
}
namespace {
const bool gHooked = [] { return __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0; }();
}
#else
// Without a sanitizer the allocations of new and delete are counted here.
void* operator new(size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (!p) throw std::bad_alloc();
  Allocated(malloc_usable_size(p));
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  Freed(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
#endif

namespace lectern {
namespace {

#if defined(LECTERN_HEAP_HOOKS) || !defined(NDEBUG)
constexpr double kSlowdown = 40;
// Valid inputs that only test time are cut down in slow builds, where the
// allowance is too wide to tell linear from quadratic anyway; the
// optimised build runs them whole.
constexpr int kTimeOnlyShare = 4;
#else
constexpr double kSlowdown = 1;
constexpr int kTimeOnlyShare = 1;
#endif

std::string Hex(std::string_view bytes) {
  std::string out;
  out.reserve(2 * bytes.size());
  for (unsigned char c : bytes) {
    out += "0123456789ABCDEF"[c >> 4];
    out += "0123456789ABCDEF"[c & 15];
  }
  return out;
}

std::string LE32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

const std::string kVersion = "-8 1 3 1\r\n";

/// A table record around a stream of the table wrapper whose cell list
/// `cells` writes (after the property name "C").
std::string TableRecord(const std::function<void(TLTPropWriter&)>& cells) {
  std::string stream(LTComponentSignature);
  TLTPropWriter w(stream);
  w.WriteShortString("TLTTableSW");
  w.WriteShortString("");
  w.WriteShortString("C");
  cells(w);
  w.WriteListEnd();  // the wrapper's properties
  w.WriteListEnd();  // its children
  return "-60 3 0 0 2 0 \r\n\r\n1\r\n" + LE32(static_cast<uint32_t>(stream.size())) + stream;
}

/// A style collection record (subtype 1 text, 2 paragraph, 4 list styles).
std::string StyleRecord(int subtype, const std::string& collection) {
  return "-9 2 0 0 2 0 " + IntToStr(subtype) + "\r\n\r\n" + LE32(static_cast<uint32_t>(collection.size())) + collection;
}

std::string TextLines(int count, const std::string& line) {
  std::string s = "0 " + IntToStr(count) + " 0 8 3 0\r\n";
  for (int i = 0; i < count; ++i) s += line + "\r\n";
  return s;
}

/// Tables nested depth deep, written by the writer.
std::string NestedTables(int depth) {
  RegisterTableItemKind();
  TLTDocument d;
  TCustomLTData* into = &d.Data;
  for (int level = 0; level < depth; ++level) {
    auto t = std::make_unique<TLTTableItemInfo>(1, 2);
    TLTTableCellData* cell = t->Cells(0, 1);
    t->Cells(0, 0)->Clear();
    t->Cells(0, 0)->AddTextW(u"level", 0, 0);
    into->AddItem({}, std::move(t));
    cell->Clear();
    into = cell;
  }
  into->AddTextW(u"core", 0, 0);
  d.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream m;
  d.Data.SaveLTFToStream(m);
  return m.TakeData();
}

/// A BMP of w x h pixels, run-length encoded as one end-of-picture code:
/// a few bytes that decode to w x h pixels.
std::string RleBomb(int32_t w, int32_t h) {
  std::string s = "BM";
  const std::string pixels("\x00\x01", 2);
  const uint32_t off = 14 + 40 + 4 * 2;
  s += LE32(off + static_cast<uint32_t>(pixels.size())) + LE32(0) + LE32(off);
  s += LE32(40) + LE32(static_cast<uint32_t>(w)) + LE32(static_cast<uint32_t>(h));
  s += std::string("\x01\x00\x08\x00", 4) + LE32(1) + LE32(static_cast<uint32_t>(pixels.size()));
  s += LE32(2835) + LE32(2835) + LE32(2) + LE32(0);
  s += LE32(0x000000) + LE32(0xFFFFFF);
  return s + pixels;
}

struct HostileInput {
  std::string Name;
  std::function<std::string()> Make;
  int Status;
  std::string Message;  // in the tool's error output
};

std::vector<HostileInput> Inputs() {
  std::vector<HostileInput> v;
  // Grids: many slots and few cells; many cells of the fewest bytes each.
  v.push_back({"grid-claims-more-than-its-cells",
               [] {
                 return kVersion + TableRecord([](TLTPropWriter& w) {
                          w.WriteInteger(2048);
                          w.WriteInteger(2048);
                          w.WriteListBegin();
                          w.WriteInteger(1);
                          w.WriteInteger(1);
                          w.WriteShortString("TD");
                          w.WriteShortString("");
                          w.WriteListEnd();
                          w.WriteListEnd();
                          w.WriteListEnd();
                        });
               },
               1, "Wrong end of cells list"});
  v.push_back({"grid-of-minimal-cells",
               [] {
                 return kVersion + TableRecord([](TLTPropWriter& w) {
                          w.WriteInteger(2048);
                          w.WriteInteger(2048);
                          w.WriteListBegin();
                          for (int i = 0; i < 2048 * 256; ++i)
                            w.Out() += std::string("\x02\x01\x02\x01\x00\x00\x00\x00", 8);
                          w.WriteListEnd();
                        });
               },
               1, LTOutOfBudgetMessage});
  v.push_back({"grid-at-the-integer-limits",
               [] {
                 return kVersion + TableRecord([](TLTPropWriter& w) {
                          w.WriteInteger(INT32_MAX);
                          w.WriteInteger(INT32_MAX);
                          w.WriteListBegin();
                          w.WriteListEnd();
                        });
               },
               1, "Wrong end of cells list"});
  v.push_back({"grid-of-64-bit-counts",
               [] {
                 return kVersion + TableRecord([](TLTPropWriter& w) {
                          w.WriteInteger(int64_t{1} << 62);
                          w.WriteInteger(4);
                          w.WriteListBegin();
                          w.WriteListEnd();
                        });
               },
               1, "Wrong end of cells list"});
  v.push_back({"many-small-tables",
               [] {
                 const std::string one = TableRecord([](TLTPropWriter& w) {
                   w.WriteInteger(1);
                   w.WriteInteger(1);
                   w.WriteListBegin();
                   w.Out() += std::string("\x02\x01\x02\x01\x00\x00\x00\x00", 8);
                   w.WriteListEnd();
                 });
                 std::string s = kVersion;
                 for (int i = 0; i < 40000; ++i) s += one;
                 return s;
               },
               1, LTOutOfBudgetMessage});
  // Nesting: the text form once doubled per level.
  v.push_back({"tables-nested-24-deep", [] { return NestedTables(24); }, 0, ""});
  v.push_back({"tables-nested-64-deep", [] { return NestedTables(LTFMaxNesting); }, 0, ""});
  v.push_back({"tables-nested-65-deep", [] { return NestedTables(LTFMaxNesting + 1); }, 1,
               "stored documents nested more than 64 deep"});
  // Styles: millions of minimal styles, a list style of endless levels,
  // lists nested in lists.
  v.push_back({"style-collection-of-8-mb",
               [] {
                 std::string c = "\x0E";
                 for (int i = 0; i < 4'000'000; ++i) c += std::string("\x01\x00", 2);
                 return kVersion + StyleRecord(1, c + std::string(1, '\0'));
               },
               1, LTOutOfBudgetMessage});
  v.push_back({"list-style-of-a-million-levels",
               [] {
                 std::string c = std::string("\x0E\x01\x06", 3) + "Levels" + "\x0E";
                 for (int i = 0; i < 1'000'000; ++i) c += std::string("\x01\x00", 2);
                 c += std::string("\x00\x00\x00", 3);
                 return kVersion + StyleRecord(4, c);
               },
               1, LTOutOfBudgetMessage});
  v.push_back({"lists-nested-in-lists",
               [] {
                 std::string c = std::string("\x0E\x01\x07", 3) + "Unknown";
                 c += std::string(1'000'000, '\x01') + std::string(1'000'000, '\x00');
                 return kVersion + StyleRecord(1, c) + TextLines(1, "7800");
               },
               0, ""});
  v.push_back({"styles-after-items",
               [] {
                 std::string c = std::string("\x0E\x01\x00\x00", 4);
                 return kVersion + TextLines(1, "7800") + StyleRecord(1, c);
               },
               1, "damaged record"});
  // Many text styles of many code pages, and text that has to change its
  // encoding in each of them.
  v.push_back({"many-code-pages",
               [] {
                 std::string c = "\x0E";
                 for (int cs = 0; cs < 256; ++cs) {
                   c += std::string("\x01\x07", 2) + "Charset" + std::string("\x03", 1) + static_cast<char>(cs) + '\0';
                   c += std::string("\x07", 1) + "Unicode" + std::string("\x08", 1) + '\0';
                 }
                 c += '\0';
                 std::string s = kVersion + StyleRecord(1, c);
                 const std::string text = Hex(std::string("\xE9\x00t\x00\xE9\x00", 6));
                 for (int i = 0; i < 100000 / kTimeOnlyShare; ++i) s += IntToStr(i % 256) + " 1 0 8 3 0\r\n" + text + "\r\n";
                 return s;
               },
               0, ""});
  // Lengths that lie and counts at the limits.
  v.push_back({"block-length-that-lies",
               [] { return kVersion + "-9 2 0 0 2 0 1\r\n\r\n" + LE32(0xFFFFFFF0u) + std::string(1000, '\x0E'); }, 1,
               "damaged record"});
  v.push_back({"line-count-that-lies", [] { return kVersion + "0 2147483647 0 8 3 0\r\n7800\r\n7800\r\n"; }, 1,
               "damaged record"});
  v.push_back(
      {"line-count-past-32-bits", [] { return kVersion + "0 2147483648 0 8 3 0\r\n7800\r\n"; }, 1, "damaged record"});
  v.push_back({"fields-at-the-integer-limits",
               [] {
                 return kVersion + std::string("0 1 -2147483648 2147483647 3 2147483647\r\n7800\r\n") +
                        "-11 0 -1 0 0 0 2147483647 2147483647 -2147483648 1\r\n" + "2147483646 1 0 8 3 0\r\n7800\r\n";
               },
               1, "damaged record"});
  v.push_back(
      {"empty-paragraphs-by-the-million", [] { return kVersion + TextLines(4'000'000, ""); }, 1, LTOutOfBudgetMessage});
  v.push_back({"checkpoint-before-every-item",
               [] {
                 std::string s = kVersion;
                 for (int i = 0; i < 100000 / kTimeOnlyShare; ++i)
                   s += "-2 1 0 0 0 0\r\ncp" + IntToStr(i) + "\r\n0 1 0 8 3 0\r\n7800\r\n";
                 return s;
               },
               0, ""});
  v.push_back({"markers-at-falling-levels",
               [] {
                 TLTStyle sheet;
                 TLTListInfo& numbered = sheet.ListStyles().Add();
                 for (int i = 0; i < 9; ++i) numbered.Levels.Add().ListType = ltlstDecimal;
                 std::string list;
                 TLTPropWriter(list).WriteCollection(sheet.ListStyles());
                 std::string s = kVersion + StyleRecord(4, list);
                 const int markers = 20000 / kTimeOnlyShare;
                 for (int i = 0; i < markers; ++i)
                   s += "-11 0 0 0 0 0 0 " + IntToStr(markers - i) + " 1 0\r\n0 1 -1 8 3 0\r\n7800\r\n";
                 return s;
               },
               0, ""});
  // Pictures: a few bytes that decode to more pixels than the input pays for.
  v.push_back({"picture-of-a-gigapixel-claim",
               [] {
                 const std::string bmp = RleBomb(9000, 9000);
                 return kVersion + std::string("-3 3 0 0 2 0 0\r\nbomb\r\nTBitmap\r\n") +
                        LE32(static_cast<uint32_t>(bmp.size())) + bmp;
               },
               1, LTOutOfBudgetMessage});
  v.push_back({"many-pictures-of-a-million-pixels",
               [] {
                 const std::string bmp = RleBomb(1000, 1000);
                 std::string s = kVersion;
                 for (int i = 0; i < 100; ++i)
                   s += "-3 3 0 0 2 0 0\r\nbomb\r\nTBitmap\r\n" + LE32(static_cast<uint32_t>(bmp.size())) + bmp;
                 return s;
               },
               1, LTOutOfBudgetMessage});
  return v;
}

struct Outcome {
  int Status = -1;
  std::string Err;
  double Seconds = 0;      // processor time
  double WallSeconds = 0;  // for the record
  int64_t PeakHeap = 0;
};

Outcome RunTool(const std::vector<std::string>& args) {
  malloc_trim(0);
  std::ostringstream out, err;
  Outcome o;
  const int64_t base = gHeap.load();
  gPeak.store(base);
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu = std::clock();
  o.Status = LecternMain(args, out, err);
  o.Seconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
  o.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  o.PeakHeap = gPeak.load() - base;
  o.Err = err.str();
  return o;
}

TEST(HostileInput, EveryReaderEndsInTimeAndMemoryWithItsReason) {
  testing::TTempDir dir{"hostile"};
  for (const HostileInput& input : Inputs()) {
    SCOPED_TRACE(input.Name);
    const std::string bytes = input.Make();
    const std::string path = dir / (input.Name + ".ltf");
    ASSERT_TRUE(WriteFileAtomic(path, bytes));
    // Valid documents are converted to the text form (which once grew per
    // nesting level); the others are dumped.
    const std::vector<std::string> args = input.Status == 0
                                              ? std::vector<std::string>{"convert", path, dir / "out.ltf", "--ltf-text"}
                                              : std::vector<std::string>{"dump", path};
    const Outcome o = RunTool(args);
    const int64_t allowance = 4 * static_cast<int64_t>(bytes.size()) + (int64_t{64} << 20);
    std::printf("%-36s %9zu bytes  exit %d  %7.3f s (%.3f s wall)  peak heap %7.1f MB (allowed %6.1f)\n",
                input.Name.c_str(), bytes.size(), o.Status, o.Seconds, o.WallSeconds,
                static_cast<double>(o.PeakHeap) / 1e6, static_cast<double>(allowance) / 1e6);
    EXPECT_EQ(o.Status, input.Status) << o.Err;
    EXPECT_NE(o.Err.find(input.Message), std::string::npos) << o.Err;
    EXPECT_LT(o.Seconds, 1.0 * kSlowdown);
    EXPECT_LT(o.PeakHeap, allowance);
    if (input.Status == 0) {
      // What was written is no larger than a small multiple of what was read.
      std::string written;
      ASSERT_TRUE(ReadFileBytes(dir / "out.ltf", written));
      EXPECT_LT(written.size(), 4 * bytes.size() + 4096);
    }
  }
}

TEST(HostileInput, AFieldOfFortyThousandStylesMergesInTime) {
  testing::TTempDir dir{"styles"};
  RegisterTableItemKind();
  TLTDocument field;
  TFontInfos& styles = field.Style.TextStyles();
  for (int i = 0; i < 40000; ++i) {
    TFontInfo& f = styles.Add();
    f.Size = 6 + i % 40;
    f.Color = MakeColor(static_cast<uint32_t>(i) * 2654435761u & 0xFFFFFF);
    f.StyleName = Utf8ToUtf16("Style " + IntToStr(i));
    field.Data.AddTextW(u"x", styles.Count() - 1, i % 10 == 0 ? 0 : -1);
  }
  field.Context.LTFOptions = LTEditorLTFOptions;
  TLTMemoryStream blob;
  ASSERT_TRUE(field.Data.SaveLTFToStream(blob));
  TLTDocument t;
  t.Data.AddTextW(u"Notes: ", 0, 0);
  t.Data.AddTextW(u"Notes", 0, -1, TLTTag::FromString(u"Notes|"));
  t.Context.LTFOptions = LTEditorLTFOptions;
  ASSERT_TRUE(t.Data.SaveLTF(dir / "t.ltf"));
  testing::MakeTable(dir / "t.db", "Countries", {"Country TEXT", "Notes BLOB"},
                     {{testing::TTestValue::T("Styled"), testing::TTestValue::B(blob.Data())},
                      {testing::TTestValue::T("Broken"), testing::TTestValue::B(kVersion + TextLines(1'000'000, ""))}});
  const Outcome ok = RunTool({"merge", dir / "t.ltf", dir / "t.db", "--record", "1", dir / "r.ltf"});
  std::printf("merge of %zu bytes of 40,000 styles: %.3f s, peak heap %.1f MB\n", blob.Data().size(), ok.Seconds,
              static_cast<double>(ok.PeakHeap) / 1e6);
  EXPECT_EQ(ok.Status, 0) << ok.Err;
  EXPECT_LT(ok.Seconds, 1.0 * kSlowdown);
  const Outcome broken = RunTool({"merge", dir / "t.ltf", dir / "t.db", "--record", "2", dir / "r.ltf"});
  EXPECT_EQ(broken.Status, 1);
  EXPECT_NE(broken.Err.find(std::string("the stored document could not be read (") + LTOutOfBudgetMessage),
            std::string::npos)
      << broken.Err;
  EXPECT_LT(broken.Seconds, 1.0 * kSlowdown);
}

}  // namespace
}  // namespace lectern
