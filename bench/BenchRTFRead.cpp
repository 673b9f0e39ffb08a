// RTF reading figures, on generated RTF of 1 MB and 10 MB that holds what
// documents from word processors hold: a font, colour and list table,
// runs in changing styles, indented and spaced paragraphs, list
// paragraphs, tables of three by three cells and small PNG pictures.
// Tokenizing alone, the reader with its events, and the whole import into
// a document, each in bytes of RTF per second; the import also reports
// how far the process's peak memory grew against the document's text.

#include <benchmark/benchmark.h>

#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "rtf/LTRTFImport.h"
#include "rtf/LTRTFTokenizer.h"
#include "table/LTTable.h"

#include <sys/resource.h>

#include <algorithm>
#include <map>
#include <string>

namespace lectern {
namespace {

std::string PngHex() {
  TPNGImage png;
  TLTPixels px;
  px.Width = px.Height = 16;
  for (int i = 0; i < 256; ++i) px.Data.push_back(0xFF000000u | static_cast<uint32_t>(i * 0x010203));
  png.SetPixels(px);
  TLTMemoryStream m;
  png.SaveToStream(m);
  static const char* d = "0123456789abcdef";
  std::string out;
  int col = 0;
  for (unsigned char c : m.Data()) {
    out += d[c >> 4];
    out += d[c & 15];
    if (++col % 64 == 0) out += "\r\n";
  }
  return out;
}

/// Generated RTF of at least `bytes` bytes.
const std::string& GeneratedRTF(int64_t bytes) {
  static std::map<int64_t, std::string> made;
  std::string& s = made[bytes];
  if (!s.empty()) return s;
  s.reserve(static_cast<size_t>(bytes) + 4096);
  s += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New "
       "Roman;}{\\f2\\fmodern\\fcharset0 Courier New;}}{\\colortbl;\\red0\\green0\\blue0;\\red200\\green0\\blue0;\\red0"
       "\\green90\\blue160;}{\\*\\listtable{\\list\\listid1{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00"
       ".;}{\\levelnumbers\\'01;}\\fi-360\\li720}{\\listlevel\\levelnfc4{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}"
       "\\fi-360\\li1440}}}{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n";
  const std::string png = PngHex();
  static const char* kWords[] = {"the", "report", "country", "capital", "population", "mountain", "river",
                                 "language", "census", "estimate", "province", "border", "coast", "island"};
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  auto words = [&](int n) {
    for (int i = 0; i < n; ++i) {
      s += kWords[next() % 14];
      s += ' ';
    }
  };
  for (int block = 0; static_cast<int64_t>(s.size()) < bytes; ++block) {
    const int kind = block % 10;
    if (kind < 6) {
      s += "\\pard\\plain\\f" + std::to_string(block % 3) + "\\fs" + std::to_string(20 + 2 * (block % 4)) +
           "\\sa120\\li" + std::to_string(360 * (block % 3)) + (block % 7 == 0 ? "\\qj " : " ");
      for (int r = 0; r < 6; ++r) {
        words(8);
        s += "{\\b ";
        words(2);
        s += "}{\\i\\cf" + std::to_string(1 + r % 3) + " ";
        words(3);
        s += "}";
      }
      s += "\\par\r\n";
    } else if (kind < 8) {
      s += "\\pard\\plain\\ls1\\ilvl" + std::to_string(kind - 6) + "\\fi-360\\li" + std::to_string(720 * (kind - 5)) +
           " ";
      words(12);
      s += "\\par\r\n";
    } else if (kind == 8) {
      for (int r = 0; r < 3; ++r) {
        s += "\\trowd\\trgaph108\\trleft0\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\cellx3000\\clcbpat3\\cellx6000"
             "\\cellx9000\r\n";
        for (int c = 0; c < 3; ++c) {
          s += "\\pard\\intbl ";
          words(4);
          s += "\\cell ";
        }
        s += "\\row\r\n";
      }
    } else {
      s += "\\pard ";
      words(5);
      s += "{\\pict\\pngblip\\picw16\\pich16\\picwgoal240\\pichgoal240\r\n" + png + "}";
      words(5);
      s += "\\par\r\n";
    }
  }
  s += "}";
  return s;
}

void TokenizeRTF(benchmark::State& state) {
  const std::string& rtf = GeneratedRTF(state.range(0));
  for (auto _ : state) {
    TLTRTFTokenizer t(rtf);
    size_t n = 0;
    while (t.Next().Kind != TLTRTFTokenKind::End) ++n;
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rtf.size()));
}
BENCHMARK(TokenizeRTF)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void ReadRTFEvents(benchmark::State& state) {
  const std::string& rtf = GeneratedRTF(state.range(0));
  for (auto _ : state) {
    TLTRTFReader r;
    size_t chars = 0;
    r.OnNewText = [&](std::string_view t, TLTRTFPosition) { chars += t.size(); };
    r.OnNewUnicodeText = [&](std::u16string_view t, TLTRTFPosition) { chars += t.size(); };
    r.OnTable = [](TLTRTFTableEventKind) { return true; };
    r.OnNewPicture = [](TLTRTFPicture&, std::unique_ptr<TGraphic>&, TLTRTFPosition, const std::string&) { return true; };
    if (r.ReadFromBytes(rtf) != rtfOK) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(chars);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rtf.size()));
}
BENCHMARK(ReadRTFEvents)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

int64_t PeakKB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void ImportRTF(benchmark::State& state) {
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  const std::string& rtf = GeneratedRTF(state.range(0));
  const int64_t before = PeakKB();
  int64_t peak = before;
  for (auto _ : state) {
    TLTDocument doc;
    TLTRTFReaderProperties settings;
    settings.TextStyleMode = settings.ParaStyleMode = ltrsAddIfNeeded;
    int index = 0;
    if (!settings.ImportRTFBytes(rtf, doc.Data, index)) state.SkipWithError("import failed");
    peak = std::max(peak, PeakKB());
  }
  // The text is counted once, after the peak was taken.
  int64_t textChars = 0;
  {
    TLTDocument doc;
    TLTRTFReaderProperties settings;
    settings.TextStyleMode = settings.ParaStyleMode = ltrsAddIfNeeded;
    int index = 0;
    settings.ImportRTFBytes(rtf, doc.Data, index);
    textChars = static_cast<int64_t>(doc.Data.GetPlainText(0).size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rtf.size()));
  state.counters["rtf_MB"] = static_cast<double>(rtf.size()) / 1e6;
  state.counters["text_MB"] = static_cast<double>(textChars) * 2 / 1e6;
  // Growth of the peak against the text as UTF-16.
  state.counters["peak_growth_per_text"] =
      textChars > 0 ? static_cast<double>(peak - before) * 1024 / (static_cast<double>(textChars) * 2) : 0;
}
BENCHMARK(ImportRTF)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace lectern
