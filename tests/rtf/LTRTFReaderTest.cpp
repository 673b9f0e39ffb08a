// The RTF reader: small RTF written by hand, one behaviour each, checked
// through the events the reader raises.

#include "rtf/LTRTFReader.h"

#include "platform/LTSysUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace lectern {
namespace {

/// What a reader reported, as a readable log: one entry per event.
struct TLog {
  TLTRTFReader R;
  std::vector<std::string> Events;
  std::string Text;  // the text runs, paragraphs as "|", lines as "/"

  explicit TLog(bool unicode = true) {
    R.OnNewText = [this](std::string_view t, TLTRTFPosition p) {
      std::u16string w;
      R.ConvertText(t, R.CurrentCodePage(), w);
      Run(Utf16ToUtf8(w), p);
    };
    if (unicode)
      R.OnNewUnicodeText = [this](std::u16string_view t, TLTRTFPosition p) { Run(Utf16ToUtf8(t), p); };
    R.OnTable = [this](TLTRTFTableEventKind k) {
      static const char* kNames[] = {"table-start", "table-end", "table-forced-end", "row", "cell"};
      Events.push_back(kNames[k]);
      return true;
    };
    R.OnBookmarkStart = [this](const TLTString& n) { Events.push_back("bookmark " + Utf16ToUtf8(n)); };
    R.OnNote = [this](TLTRTFNoteEventType w, TLTRTFPosition) {
      static const char* kNames[] = {"note-char", "note-start", "endnote", "note-end"};
      Events.push_back(kNames[w]);
    };
    R.OnNewSeq = [this](TLTRTFPosition, const TLTString& n, TLTRTFSeqType t, bool reset, int32_t start) {
      Events.push_back("seq " + Utf16ToUtf8(n) + " " + std::to_string(t) + (reset ? " reset " + std::to_string(start) : ""));
    };
    R.OnNewPicture = [this](TLTRTFPicture& pic, std::unique_ptr<TGraphic>& g, TLTRTFPosition, const std::string&) {
      Events.push_back("picture " + std::to_string(pic.Kind) + (g ? " " + std::string(g->ClassName()) : " none"));
      return true;
    };
  }
  void Run(const std::string& t, TLTRTFPosition p) {
    if (p == rtf_ts_NewPara && !Text.empty()) Text += "|";
    if (p == rtf_ts_NewLine) Text += "/";
    Text += t;
  }
  TLTRTFResult Read(std::string_view rtf) { return R.ReadFromBytes(rtf); }
};

TEST(LTRTFReader, ReportsParagraphsAndLines) {
  TLog l;
  EXPECT_EQ(l.Read("{\\rtf1 one\\par two\\line three\\par\\par four}"), rtfOK);
  EXPECT_EQ(l.Text, "one|two/three||four");
}

TEST(LTRTFReader, OneClosingBraceTooManyIsAnUnderflow) {
  TLog l;
  EXPECT_EQ(l.Read("{\\rtf1 a}}"), rtfOK);  // the read ends with the outermost group
  TLog m;
  EXPECT_EQ(m.Read("}"), rtfStackUnderflow);
  TLog n;
  EXPECT_EQ(n.Read("{\\rtf1 {\\b a}"), rtfUnmatchedBrace);
  EXPECT_EQ(n.Text, "a");
}

TEST(LTRTFReader, UnicodeWithMinus257IsTheByteOrderMark) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1\\uc1\\u-257?}"), rtfOK);
  EXPECT_EQ(l.Text, "\xEF\xBB\xBF");
  TLog m;
  ASSERT_EQ(m.Read("{\\rtf1\\uc0\\u-257?}"), rtfOK);
  EXPECT_EQ(m.Text, "\xEF\xBB\xBF?");
}

TEST(LTRTFReader, UcIsHeldWithinEight) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1\\uc99999\\u65 abcdefghijk}"), rtfOK);
  EXPECT_EQ(l.Text, "Aijk");
}

TEST(LTRTFReader, OnlyTheUnicodeAlternativeOfUprIsRead) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1 {\\upr{ansi text}{\\*\\ud{unicode text}}}}"), rtfOK);
  EXPECT_EQ(l.Text, "unicode text");
}

TEST(LTRTFReader, StarredUnknownDestinationsAreSkippedOthersRead) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1 a{\\*\\unknowndest skipped}b{\\unknownword read}}"), rtfOK);
  EXPECT_EQ(l.Text, "abread");
}

TEST(LTRTFReader, EscapedBytesFollowTheFontsCharset) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1{\\fonttbl{\\f0\\fcharset204 Arial Cyr;}{\\f1\\fcharset0 Arial;}}\\f0\\'e9\\f1\\'e9}"), rtfOK);
  EXPECT_EQ(l.Text, "\xD0\xB9\xC3\xA9");  // CYRILLIC SMALL LETTER SHORT I, then e acute
  ASSERT_EQ(l.R.Fonts().size(), 2u);
  EXPECT_EQ(l.R.Fonts()[0].Name, u"Arial");  // the charset's suffix is dropped
}

TEST(LTRTFReader, BinaryDataWithBracesKeepsTheDepth) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1 a{\\*\\objdata \\bin5 }}}{{}b}"), rtfOK);
  EXPECT_EQ(l.Text, "ab");
}

TEST(LTRTFReader, BulletAndNonBreakingSpaceAreUnicode) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1\\ansicpg932 \\'82\\bullet\\'a0\\~x}"), rtfOK);
  const std::u16string w = Utf8ToUtf16(l.Text);
  ASSERT_GE(w.size(), 3u);
  EXPECT_NE(w.find(u'\u2022'), std::u16string::npos);
  EXPECT_NE(w.find(u'\u00A0'), std::u16string::npos);
}

TEST(LTRTFReader, ASecondHeaderIsSkipped) {
  TLog l;
  int starts = 0;
  l.R.OnHeaderFooter = [&](TLTRTFHeaderFooterType, bool starting) {
    if (starting) ++starts;
    return true;
  };
  ASSERT_EQ(l.Read("{\\rtf1{\\header first}{\\header second}body}"), rtfOK);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(l.Text, "firstbody");
}

TEST(LTRTFReader, FieldsBookmarksAndSequences) {
  TLog l;
  bool link = false;
  l.R.OnNewText = [&](std::string_view t, TLTRTFPosition) {
    if (t == "site") link = l.R.InHyperlink();
  };
  ASSERT_EQ(l.Read("{\\rtf1{\\*\\bkmkstart here}{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt site}}"
                   "{\\field{\\*\\fldinst SEQ Figure \\\\* ROMAN \\\\r 3}{\\fldrslt 1}}}"),
            rtfOK);
  EXPECT_TRUE(link);
  ASSERT_EQ(l.Events.size(), 2u);
  EXPECT_EQ(l.Events[0], "bookmark here");
  EXPECT_EQ(l.Events[1], "seq Figure 4 reset 3");
}

TEST(LTRTFReader, NotesAreReportedWithTheirMarks) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1 a{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} note\\ftnalt}b}"), rtfOK);
  const std::vector<std::string> want{"note-char", "note-start", "note-char", "endnote", "note-end"};
  EXPECT_EQ(l.Events, want);
}

TEST(LTRTFReader, TableEventsFollowTheParagraphLevel) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row\\pard after\\par}"), rtfOK);
  const std::vector<std::string> want{"table-start", "cell", "cell", "row", "table-end"};
  EXPECT_EQ(l.Events, want);
  EXPECT_EQ(l.R.RowProps(1).Cells.size(), 2u);
}

TEST(LTRTFReader, ItapIsClampedToTheNestingLimit) {
  TLog l;
  int starts = 0;
  l.R.OnTable = [&](TLTRTFTableEventKind k) {
    if (k == ltf_tbl_TableStart) ++starts;
    return true;
  };
  ASSERT_EQ(l.Read("{\\rtf1\\pard\\intbl\\itap2000000000 deep\\nestcell}"), rtfOK);
  EXPECT_EQ(starts, LTRTFMaxTableNesting);
}

TEST(LTRTFReader, ListTablesAreCollected) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc0\\levelstartat3"
                   "{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}}}"
                   "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}x}"),
            rtfOK);
  ASSERT_EQ(l.R.ListTable().size(), 1u);
  const TLTRTFListLevel97& level = l.R.ListTable()[0].Levels.at(0);
  EXPECT_EQ(level.StartAt, 3);
  EXPECT_EQ(level.LeftIndent, 720);
  EXPECT_EQ(level.FirstIndent, -360);
  EXPECT_EQ(level.Text, std::u16string(u"\x02\x00.", 3));
  ASSERT_EQ(l.R.ListOverrides().size(), 1u);
  EXPECT_EQ(l.R.ListOverrides()[0].Number, 1);
}

TEST(LTRTFReader, PicturesAreDecodedOrReportedWithoutAGraphic) {
  TLog l;
  ASSERT_EQ(l.Read("{\\rtf1{\\pict\\pngblip\\picw1\\pich1 0011zz}{\\pict\\jpegblip\\picw1000000000\\pich1000000000 ff}}"),
            rtfOK);
  ASSERT_EQ(l.Events.size(), 2u);
  EXPECT_EQ(l.Events[0], "picture 1 none");
  EXPECT_EQ(l.Events[1], "picture 2 none");
}

TEST(LTRTFReader, APictureInsideAPictureIsInvalid) {
  TLog l;
  EXPECT_EQ(l.Read("{\\rtf1{\\pict{\\pict}}}"), rtfInvalidPicture);
}

// ---- Hostile input: refused or read within a second, without a sanitizer report.

double Seconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

TEST(LTRTFReaderHostile, GroupsNestedAHundredThousandDeep) {
  const std::string rtf = "{\\rtf1 " + std::string(100000, '{') + "x" + std::string(100000, '}') + "}";
  TLog l;
  TLTRTFResult r = rtfOK;
  EXPECT_LT(Seconds([&] { r = l.Read(rtf); }), 1.0);
  EXPECT_EQ(r, rtfStackOverflow);
}

TEST(LTRTFReaderHostile, BinNegativeOrHuge) {
  TLog l;
  TLTRTFResult r = rtfOK;
  EXPECT_LT(Seconds([&] { r = l.Read("{\\rtf1 a\\bin-7 b\\bin99999999999 cd}"); }), 1.0);
  EXPECT_EQ(r, rtfUnmatchedBrace);  // the huge count took the closing brace
  EXPECT_EQ(l.Text, "ab");
}

TEST(LTRTFReaderHostile, HugePictureSizesAreNotAllocated) {
  TLog l;
  EXPECT_LT(Seconds([&] {
              l.Read("{\\rtf1{\\pict\\wbitmap0\\picw1000000000\\pich1000000000\\wbmbitspixel24\\wbmwidthbytes"
                     "2000000000 00}{\\pict\\pngblip\\picscalex999999999 00}}");
            }),
            1.0);
  ASSERT_EQ(l.Events.size(), 2u);
  EXPECT_EQ(l.Events[0], "picture 7 none");
}

TEST(LTRTFReaderHostile, LongKeywordsAndNumbers) {
  const std::string rtf = "{\\rtf1\\" + std::string(10000, 'k') + " x\\fs" + std::string(10000, '7') +
                          " y\\li-" + std::string(10000, '1') + " z}";
  TLog l;
  TLTRTFResult r = rtfException;
  EXPECT_LT(Seconds([&] { r = l.Read(rtf); }), 1.0);
  EXPECT_EQ(r, rtfOK);
  EXPECT_EQ(l.Text, "xyz");
}

}  // namespace
}  // namespace lectern
