// The registry of document formats and its built-in formats: finding a
// format by name and by file, formats added and replaced from outside, and
// reading and writing through the registry's entries.

#include "interchange/LTFormats.h"
#include "model/LTDocument.h"
#include "platform/LTGraphic.h"
#include "platform/LTSysUtils.h"
#include "platform/LTWindow.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lectern {
namespace {

TEST(LTFormats, FormatsAreFoundByNameAndByFileInAnyCase) {
  ASSERT_NE(FindFormatByName("LTF"), nullptr);
  EXPECT_EQ(FindFormatByName(".ltf"), FindFormatByName("ltf"));
  EXPECT_EQ(FindFormatForFile("some/dir/Report.TXT"), FindFormatByName("txt"));
  EXPECT_EQ(FindFormatForFile("notes.ltf/readme"), nullptr) << "a dot in a folder name is no extension";
  EXPECT_EQ(FindFormatForFile("noextension"), nullptr);
  // The picture flavour travels on the clipboard but is never a file.
  const TLTDocumentFormat* picture = FindFormatByName("picture");
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->Extension.empty());
  EXPECT_EQ(picture->MimeType, LTMimePNG);
  // Clipboards take the document format, then the picture, then text, then
  // RTF, then HTML.
  std::vector<std::string_view> names;
  for (const TLTDocumentFormat* f : DocumentFormats()) names.push_back(f->Name);
  EXPECT_EQ(names, (std::vector<std::string_view>{"ltf", "picture", "txt", "rtf", "html", "htm", "xhtml"}));
}

bool WriteNothing(const TCustomLTData&, const TLTItemRange*, TLTStream&, const TLTWriteSettings&, TLTFormatReport&) {
  return true;
}

TEST(LTFormats, AddedFormatsComeAfterTheBuiltInOnesAndReplaceByName) {
  RegisterDocumentFormat({"zz", ".zz", "first", {}, {}, nullptr, &WriteNothing});
  RegisterDocumentFormat({"zz", ".zz", "second", {}, {}, nullptr, &WriteNothing});
  std::vector<const TLTDocumentFormat*> all = DocumentFormats();
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto* f) { return f->Name == "zz"; }), 1);
  EXPECT_EQ(all.back()->Summary, "second");
  EXPECT_EQ(FindFormatForFile("a.ZZ")->Summary, "second");

  // A format of a built-in name takes the built-in one's place until it goes.
  RegisterDocumentFormat({"txt", ".txt", "other text", {}, {}, nullptr, &WriteNothing});
  EXPECT_EQ(FindFormatByName("txt")->Summary, "other text");
  UnregisterDocumentFormat("txt");
  UnregisterDocumentFormat("zz");
  EXPECT_EQ(FindFormatByName("txt")->Summary, "UTF-8 text, one paragraph per line");
  EXPECT_EQ(FindFormatByName("zz"), nullptr);
}

TEST(LTFormats, TextIsReadAsParagraphsAndWrittenAsUtf8) {
  const TLTDocumentFormat& text = *FindFormatByName("txt");
  TLTDocument doc;
  doc.Data.AddTextW(u"replaced", 0, 0);
  TLTMemoryStream in(
      std::string("\xEF\xBB\xBF"
                  "first\r\ncaf\xC3\xA9\n"));
  TLTFormatReport report;
  ASSERT_TRUE(text.Read(in, doc.Data, report));
  ASSERT_EQ(doc.Data.ItemCount(), 2);
  EXPECT_EQ(doc.Data.GetItemTextW(1), u"caf\u00E9");

  TLTMemoryStream bad(std::string("ok\nno\xFF"));
  EXPECT_FALSE(text.Read(bad, doc.Data, report));
  EXPECT_EQ(report.Error, "not valid UTF-8 text (line 2)");

  // A range writes what it covers.
  TLTMemoryStream out;
  const TLTItemRange range{0, 2, 1, 3};
  ASSERT_TRUE(text.Write(doc.Data, &range, out, {}, report));
  EXPECT_EQ(out.TakeData(), "irst\r\nca");
}

TEST(LTFormats, TheDocumentFormatRoundTripsAndRefusesDamage) {
  const TLTDocumentFormat& ltf = *FindFormatByName("ltf");
  TLTDocument doc;
  doc.Data.AddTextW(u"one", 0, 0);
  doc.Data.AddTextW(u"two", 0, 0);
  TLTMemoryStream out;
  TLTFormatReport report;
  ASSERT_TRUE(ltf.Write(doc.Data, nullptr, out, {}, report));
  std::string bytes = out.TakeData();
  ASSERT_EQ(ltf.Pack(bytes).size(), bytes.size() + 4);

  TLTDocument back;
  TLTMemoryStream in(bytes);
  ASSERT_TRUE(ltf.Read(in, back.Data, report));
  EXPECT_EQ(back.Data.ItemCount(), 2);
  EXPECT_EQ(back.Data.GetItemTextW(1), u"two");

  TLTMemoryStream garbage(std::string("this is not a document"));
  EXPECT_FALSE(ltf.Read(garbage, back.Data, report));
  EXPECT_EQ(report.Error, "not a valid LTF document: damaged record at byte 0");
}

TEST(LTFormats, ThePictureFlavourTakesOnlyARangeThatIsOnePicture) {
  const TLTDocumentFormat& picture = *FindFormatByName("picture");
  TLTDocument doc;
  doc.Data.AddTextW(u"x", 0, 0);
  auto item = std::make_unique<TLTGraphicItemInfo>();
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixels({2, 1, {0xFFFF0000u, 0xFF0000FFu}});
  item->Image = std::move(bmp);
  doc.Data.AddItem({}, std::move(item));

  TLTFormatReport report;
  TLTMemoryStream out;
  const TLTItemRange one{1, 0, 1, 1};
  ASSERT_TRUE(picture.Write(doc.Data, &one, out, {}, report));
  const std::unique_ptr<TGraphic> png = LoadGraphicFromBytes(out.TakeData());
  ASSERT_NE(png, nullptr);
  ASSERT_NE(png->Pixels(), nullptr);
  EXPECT_EQ(png->Pixels()->Data, (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu}));

  TLTMemoryStream none;
  const TLTItemRange withText{0, 1, 1, 1};
  EXPECT_FALSE(picture.Write(doc.Data, &withText, none, {}, report));
  EXPECT_FALSE(picture.Write(doc.Data, nullptr, none, {}, report));
  EXPECT_EQ(none.Size(), 0);
}

TEST(LTFormats, TextIsUtf8ToTheLastBoundary) {
  const TLTDocumentFormat& text = *FindFormatByName("txt");
  struct TCase {
    std::string Bytes;
    bool Valid;
  };
  const TCase cases[] = {
      {"\xC2\x80", true},           // U+0080, the first of two bytes
      {"\xDF\xBF", true},           // U+07FF
      {"\xC1\xBF", false},          // U+007F in two bytes
      {"\xE0\xA0\x80", true},       // U+0800, the first of three
      {"\xE0\x9F\xBF", false},      // U+07FF in three bytes
      {"\xED\x9F\xBF", true},       // U+D7FF, before the surrogates
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xED\xBF\xBF", false},      // the last surrogate
      {"\xEE\x80\x80", true},       // U+E000, after them
      {"\xEF\xBF\xBF", true},       // U+FFFF
      {"\xF0\x90\x80\x80", true},   // U+10000
      {"\xF0\x8F\xBF\xBF", false},  // U+FFFF in four bytes
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\xF4\x90\x80\x80", false},  // beyond Unicode
      {"\xF5\x80\x80\x80", false},
      {"\xC2", false},      // cut short
      {"\x80", false},      // a continuation alone
      {"\xC2\x41", false},  // a continuation missing
  };
  for (const TCase& c : cases) {
    TLTDocument doc;
    TLTMemoryStream in("a" + c.Bytes);
    TLTFormatReport report;
    EXPECT_EQ(text.Read(in, doc.Data, report), c.Valid) << "bytes after a: " << c.Bytes.size();
    if (c.Valid) {
      EXPECT_EQ(Utf16ToUtf8(doc.Data.GetItemTextW(0)), "a" + c.Bytes);
    }
  }
}

TEST(LTFormats, TheNativeFlavourCarriesItsLengthEvenForNothing) {
  std::string fragment = "x";
  ASSERT_TRUE(UnpackLTFFlavour(PackLTFFlavour(""), fragment));
  EXPECT_EQ(fragment, "");
  EXPECT_FALSE(UnpackLTFFlavour(std::string("\0\0\0", 3), fragment));
}

TEST(LTFormats, ThePictureFlavourKeepsAPngAsItIsAndWantsExactlyOnePicture) {
  TPNGImage source;
  ASSERT_TRUE(source.SetPixels({1, 1, {0xFF00FF00u}}));
  TLTMemoryStream stored;
  ASSERT_TRUE(source.SaveToStream(stored));
  const std::string bytes = stored.TakeData();
  TLTDocument doc;
  for (int k = 0; k < 2; ++k) {
    auto item = std::make_unique<TLTGraphicItemInfo>();
    item->Image = LoadGraphicFromBytes(bytes);
    doc.Data.AddItem({}, std::move(item));
  }
  const TLTDocumentFormat& picture = *FindFormatByName("picture");
  TLTFormatReport report;
  TLTMemoryStream out;
  const TLTItemRange one{0, 0, 0, 1};
  ASSERT_TRUE(picture.Write(doc.Data, &one, out, {}, report));
  EXPECT_EQ(out.TakeData(), bytes) << "no second encoding";
  // Two pictures, or the place before one, are not a picture.
  for (const TLTItemRange& r : {TLTItemRange{0, 0, 1, 1}, TLTItemRange{0, 0, 0, 0}, TLTItemRange{0, 1, 0, 1}})
    EXPECT_EQ(RangePicture(doc.Data, r), nullptr)
        << r.FirstItem << "," << r.FirstOffs << "-" << r.LastItem << "," << r.LastOffs;
  EXPECT_NE(RangePicture(doc.Data, {1, 0, 1, 1}), nullptr);
}

}  // namespace
}  // namespace lectern
