// Paste and drag-and-drop on the headless platform: moves by drag inside
// the editor on both sides of the selection, refused and failed drops that
// must lose nothing, drops from other programs (text, files, links), the
// drop caret and scrolling, the paste order and its choices, and where
// pasted rich text takes its links' base from.

#include "edit/LTEdit.h"
#include "interchange/LTFormats.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "tests/edit/LTEditFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace lectern {
namespace {

using namespace lectern::testing;

struct Editor : TEditorFixture<Editor> {
  std::string Text() {
    std::string s = Utf16ToUtf8(E.LTData().GetPlainText(0));
    for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at)) s.erase(at, 1);
    return s;
  }
  std::string Selected() { return Utf16ToUtf8(E.SelectedText()); }
  std::string Ltf() {
    TLTMemoryStream out;
    E.LTData().SaveLTFToStream(out);
    return out.Data();
  }
  int UndoSteps() { return E.EditData().UndoList().Count(); }
  /// Presses inside the selection at character column `from` of line 0,
  /// and drags to column `to` of line `line`: the drag is dropped there.
  void DragSelection(int from, int to, int line = 0, TLTShiftState keys = {}) {
    Win.DropOnSelf = true;
    Win.Press(from * W + 2, H / 2);
    Win.SetKeys(keys);
    Win.Move(to * W, line * H + H / 2);
    Win.Release(to * W, line * H + H / 2);
    Win.SetKeys({});
  }
};

TLTClipboardData Flavour(std::string_view mime, std::string bytes) {
  TLTClipboardData data;
  data.Set(mime, std::move(bytes));
  return data;
}

std::string Utf16LE(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// ---- Moves and copies inside the editor ----------------------------------------------------------------

TEST(LTEditDragDrop, AMoveLandsWhereDroppedAfterOrBeforeTheSelectionAndIsOneStep) {
  Editor e;
  e.Para(u"one two three").Ready();
  const std::string before = e.Ltf();
  e.E.SetSelectionBounds(0, 1, 0, 5);  // "one "
  e.DragSelection(1, 8);               // before "three"
  EXPECT_EQ(e.Text(), "two one three") << "the drop position is counted after the deletion";
  EXPECT_EQ(e.Selected(), "one ") << "the dropped text is selected";
  EXPECT_EQ(e.UndoSteps(), 1);
  ASSERT_EQ(e.Win.Dragged.size(), 1u);
  EXPECT_EQ(e.Win.DragAllowed, (TLTDropEffects{ltdeCopy, ltdeMove}));
  e.E.Undo();
  EXPECT_EQ(e.Ltf(), before);

  e.E.SetSelectionBounds(0, 9, 0, 14);  // "three"
  e.DragSelection(10, 0);
  EXPECT_EQ(e.Text(), "threeone two ");
  EXPECT_EQ(e.Selected(), "three");
  e.E.Undo();
  EXPECT_EQ(e.Ltf(), before);
}

TEST(LTEditDragDrop, AMoveAcrossParagraphsKeepsTheTextAfterTheDropIntact) {
  Editor e;
  e.Para(u"ab").Para(u"cd").Para(u"ef").Ready();
  e.E.SetSelectionBounds(0, 1, 0, 3);
  e.DragSelection(1, 1, 1);  // between c and d
  EXPECT_EQ(e.Text(), "\ncabd\nef");
  EXPECT_EQ(e.Selected(), "ab");
}

TEST(LTEditDragDrop, DropsIntoTheSelectionOrWithCtrlNeverDeleteTwice) {
  Editor e;
  e.Para(u"one two").Ready();
  const std::string before = e.Ltf();
  e.E.SetSelectionBounds(0, 1, 0, 8);
  e.DragSelection(1, 3);  // inside what is dragged
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.UndoSteps(), 0);

  e.DragSelection(1, 7);  // the whole text after itself
  EXPECT_EQ(e.Ltf(), before);

  e.E.SetSelectionBounds(0, 1, 0, 4);  // "one"
  e.DragSelection(1, 7, 0, {ssCtrl});
  EXPECT_EQ(e.Text(), "one twoone") << "Ctrl copies: the selection stays where it was";

  // The end of a drag that another program took as a move deletes the
  // selection; the move inside the editor did its own deletion.
  e.Win.DropOnSelf = false;
  e.Win.DropResult = {ltdeMove};
  e.E.SetSelectionBounds(0, 1, 0, 4);
  e.Win.Press(2, H / 2);
  e.Win.Move(40, H / 2);
  e.Win.Release(40, H / 2);
  EXPECT_EQ(e.Text(), " twoone");
}

TEST(LTEditDragDrop, AMoveThatCannotInsertGivesTheTextBackAndARefusedPlaceDeletesNothing) {
  Editor e;
  e.Para(u"free text").Para(u"fixed", 0, 1).Ready();
  e.Style.ParaStyles()[1].Options.Include(ltpaoReadOnly);
  const std::string before = e.Ltf();
  // The data that arrives cannot be read (its block claims more than it
  // holds): the deletion of the move is rolled back.
  TLTDropEffects answered{ltdeCopy};
  e.Win.DuringDrag = [&](const TLTClipboardData&) {
    answered = e.Win.DropData(Flavour(LTMimeLTF, std::string("\x40\0\0\0abc", 7)), 7 * W, H / 2);
    return answered;
  };
  e.E.SetSelectionBounds(0, 1, 0, 5);
  e.Win.Press(2, H / 2);
  e.Win.Move(7 * W, H / 2);
  e.Win.Release(7 * W, H / 2);
  EXPECT_TRUE(answered.Empty());
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.UndoSteps(), 0) << "no empty step is left behind";

  e.Win.DuringDrag = nullptr;
  e.E.SetSelectionBounds(0, 1, 0, 5);
  e.DragSelection(1, 2, 1);  // into the read-only paragraph
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_GE(e.Refusals, 1);
}

// ---- Drops from other programs ---------------------------------------------------------------------------

TEST(LTEditDragDrop, TextFromAnotherProgramGoesInAtThePointAndAReadOnlyEditorRefusesIt) {
  Editor e;
  e.Para(u"abcd").Ready();
  EXPECT_EQ(e.Win.DropData(Flavour(LTMimeText, "XY"), 2 * W, H / 2), TLTDropEffects{ltdeCopy});
  EXPECT_EQ(e.Text(), "abXYcd");
  EXPECT_EQ(e.Selected(), "XY");
  EXPECT_EQ(e.Win.DropData(Flavour("application/x-unknown", "?"), 0, 0), TLTDropEffects{});

  e.E.SetReadOnly(true);
  EXPECT_TRUE(e.Win.DragEnter(Flavour(LTMimeText, "no"), 0, 0).Empty());
  e.Win.DragLeave();
  e.E.SetReadOnly(false);
  e.E.AcceptDragDropFormats = {ltddLTF};
  EXPECT_TRUE(e.Win.DropData(Flavour(LTMimeText, "no"), 0, 0).Empty()) << "a kind the editor does not take";
  EXPECT_EQ(e.Text(), "abXYcd");
}

/// Rich text read as its plain bytes after "rich:", standing in for the
/// RTF reader (a library above the editor) while a test runs.
struct TFakeRichText {
  TFakeRichText() {
    TLTDocumentFormat f = *FindFormatByName("rtf");
    f.Read = [](TLTStream& in, TCustomLTData& into, TLTFormatReport& report) {
      return ReadTextDocument("rich:" + in.ReadRest(), into, report.Error);
    };
    RegisterDocumentFormat(f);
  }
  ~TFakeRichText() { UnregisterDocumentFormat("rtf"); }
};

TEST(LTEditDragDrop, RichTextIsDroppedOnlyWhenTheEditorTakesIt) {
  TFakeRichText rich;
  Editor e;
  e.Para(u"ab").Ready();
  TLTClipboardData both = Flavour(LTMimeRTF, "x");
  EXPECT_FALSE(e.Win.DropData(both, 0, H / 2).Empty());
  EXPECT_EQ(e.Text(), "rich:xab");
  e.E.Undo();
  e.E.AcceptDragDropFormats = {ltddText};
  EXPECT_TRUE(e.Win.DragEnter(both, 0, H / 2).Empty()) << "rich text alone is not taken";
  e.Win.DragLeave();
  both.Set(LTMimeText, "plain");
  EXPECT_FALSE(e.Win.DropData(both, 0, H / 2).Empty());
  EXPECT_EQ(e.Text(), "plainab") << "the text of a drag that also offers rich text";
}

TEST(LTEditDragDrop, DroppedFilesGoInByKindAndTheRestIsLeftOut) {
  Editor e;
  e.Para(u"ab").Ready();
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "lectern-drop-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "NOTE.TXT") << "from a file";
  std::ofstream(dir / "data.bin") << "\x01\x02";
  auto list = [&](std::initializer_list<const char*> names) {
    std::string uris;
    for (const char* n : names) uris += "file://" + (dir / n).string() + "\r\n";
    return Flavour("text/uri-list", uris);
  };
  EXPECT_TRUE(e.Win.DropData(list({"data.bin"}), 2 * W, H / 2).Empty());
  EXPECT_EQ(e.Text(), "ab");
  EXPECT_FALSE(e.Win.DropData(list({"data.bin", "NOTE.TXT"}), 2 * W, H / 2).Empty());
  EXPECT_EQ(e.Text(), "abfrom a file");

  // The application may take files itself.
  std::vector<std::string> seen;
  e.E.OnDropFiles = [&](TCustomLecternEdit&, const std::vector<std::string>& files, TLTDropFileAction& action,
                        bool& doDefault) {
    seen = files;
    action = ltdfLink;
    doDefault = false;
  };
  EXPECT_FALSE(e.Win.DropData(list({"NOTE.TXT"}), 0, H / 2).Empty());
  EXPECT_EQ(seen, std::vector<std::string>{(dir / "NOTE.TXT").string()});
  EXPECT_EQ(e.Text(), "abfrom a file");
  std::filesystem::remove_all(dir);
}

TEST(LTEditDragDrop, ABrowsersLinkBecomesAHyperlinkOnlyThroughTheApplication) {
  Editor e;
  e.Para(u"ab").Ready();
  e.E.AcceptDragDropFormats.Include(ltddURL);
  const TLTClipboardData link = Flavour("text/x-moz-url", Utf16LE(u"https://example.org/\nExample"));
  ASSERT_FALSE(e.Win.DropData(link, 2 * W, H / 2).Empty());
  EXPECT_EQ(e.Text(), "abhttps://example.org/") << "without the application the address is text";
  e.E.OnReadHyperlink = [](TCustomLecternEdit&, const TLTString& url, TLTString&, int32_t& style, TLTTag& tag) {
    style = 1;
    tag = TLTTag::FromString(url);
  };
  e.E.SetSelectionBounds(0, 1, 0, 1);
  ASSERT_FALSE(e.Win.DropData(link, 0, H / 2).Empty());
  EXPECT_EQ(e.Text(), "Exampleabhttps://example.org/");
  const TCustomLTItemInfo& item = e.E.LTData().GetItem(0);
  ASSERT_NE(item.Tag.String(), nullptr);
  EXPECT_EQ(*item.Tag.String(), u"https://example.org/");
  EXPECT_EQ(item.StyleNo, 1);
}

TEST(LTEditDragDrop, TheDropCaretFollowsThePointerAndTheViewScrollsNearAnEdge) {
  Editor e;
  for (int i = 0; i < 30; ++i) e.Para(u"line");
  e.Ready();
  const TLTClipboardData text = Flavour(LTMimeText, "x");
  EXPECT_EQ(e.Win.DragEnter(text, 2 * W, 2 * H + 6), TLTDropEffects{ltdeCopy});
  EXPECT_EQ(e.E.DropCaretRect(), (TLTRectI{2 * W, 2 * H, 2 * W + 2, 3 * H}));
  e.Win.DragMove(3 * W + 1, 3 * H + 2);
  EXPECT_EQ(e.E.DropCaretRect(), (TLTRectI{3 * W, 3 * H, 3 * W + 2, 4 * H}));
  EXPECT_FALSE(e.Win.IsTimerRunning(LTDropScrollTimer));

  const int bottom = e.Win.ClientSize().Height - 5;
  e.Win.DragMove(W, bottom);
  ASSERT_TRUE(e.Win.IsTimerRunning(LTDropScrollTimer));
  const int top = e.E.VScrollPosition();
  e.Win.FireTimer(LTDropScrollTimer);
  EXPECT_GT(e.E.VScrollPosition(), top);
  int left = 0;
  e.E.OnOleDragLeave = [&](TCustomLecternEdit&) { ++left; };
  e.Win.DragLeave();
  EXPECT_EQ(left, 1);
  EXPECT_TRUE(e.E.DropCaretRect().IsEmpty());
  EXPECT_FALSE(e.Win.IsTimerRunning(LTDropScrollTimer));
  EXPECT_EQ(e.UndoSteps(), 0);
}

// ---- Paste -------------------------------------------------------------------------------------------------

TEST(LTEditDragDrop, APasteTakesTheFirstReadableFlavourAndPasteSpecialTheOneChosen) {
  Editor e;
  e.Para(u"ab").Ready();
  e.E.SetSelectionBounds(0, 3, 0, 3);
  // A native block that claims more than it holds pastes nothing.
  e.Win.SetClipboard(Flavour(LTMimeLTF, std::string("\xFF\xFF\xFF\xFFxy", 6)));
  EXPECT_FALSE(e.E.PasteCommand());
  EXPECT_EQ(e.Text(), "ab");
  EXPECT_EQ(e.UndoSteps(), 0);

  TLTClipboardData clip = Flavour(LTMimeLTF, std::string("\xFF\xFF\xFF\xFFxy", 6));
  clip.Set(LTMimeText, "text");
  e.Win.SetClipboard(clip);
  EXPECT_TRUE(e.E.PasteCommand()) << "the next flavour is tried when the first inserted nothing";
  EXPECT_EQ(e.Text(), "abtext");

  // Copy a part and offer it with its text: Paste takes the native
  // format, Paste Special either.
  e.E.SetSelectionBounds(0, 1, 0, 3);
  e.E.CopyDefault();
  TLTClipboardData copied = e.Win.Clipboard();
  copied.Set("image/png", "not really a picture");
  e.Win.SetClipboard(copied);
  std::vector<std::string> mimes;
  for (const TLTPasteChoice& c : e.E.PasteChoices()) mimes.push_back(c.Mime);
  ASSERT_GE(mimes.size(), 3u);
  EXPECT_EQ(mimes.front(), LTMimeLTF);
  EXPECT_NE(std::find(mimes.begin(), mimes.end(), "image/png"), mimes.end());
  e.E.SetSelectionBounds(0, 7, 0, 7);
  EXPECT_TRUE(e.E.PasteFormat(LTMimeText));
  EXPECT_EQ(e.Text(), "abtextab");
  EXPECT_FALSE(e.E.PasteFormat("image/png")) << "bytes that are no picture";
  EXPECT_FALSE(e.E.PasteFormat("text/html"));
  EXPECT_EQ(e.Text(), "abtextab");

  bool asked = false;
  e.E.OnPaste = [&](TCustomLecternEdit&, bool& doDefault) {
    asked = true;
    doDefault = false;
  };
  EXPECT_TRUE(e.E.PasteCommand());
  EXPECT_TRUE(asked);
  EXPECT_EQ(e.Text(), "abtextab");
}

TEST(LTEditDragDrop, ACopiedDocumentPastedIntoAnEmptyEditorIsTheSameToTheByte) {
  Editor a;
  a.Para(u"Title", 1).Para(u"First ").More(u"bold", 2).Para(u"", 0, 1).Para(u"last").Ready();
  a.E.SelectAll();
  ASSERT_TRUE(a.E.CopyDefault());
  Editor b;
  b.Ready();
  b.Win.SetClipboard(a.Win.Clipboard());
  ASSERT_TRUE(b.E.PasteCommand());
  EXPECT_EQ(b.Ltf(), a.Ltf());
}

TEST(LTEditDragDrop, PastedRichTextTakesItsLinksBaseFromTheSourceAddress) {
  auto base = [](const TLTClipboardData& d) { return TransferBasePath(TLTClipboardDropData(d)); };
  EXPECT_EQ(base(Flavour("text/x-moz-url-priv", Utf16LE(u"file:///home/u/My%20Docs/page.html"))), "/home/u/My Docs/");
  EXPECT_EQ(base(Flavour("text/x-moz-url-priv", "https://example.org/a/b/page.html?x=1/2#y")),
            "https://example.org/a/b/");
  EXPECT_EQ(base(Flavour("text/x-moz-url-priv", "https://example.org")), "https://example.org/");
  EXPECT_EQ(base(Flavour("text/html", "Version:0.9\r\nSourceURL:http://h/p/q.htm\r\n<html>")), "http://h/p/");
  EXPECT_EQ(base(Flavour("text/x-moz-url-priv", "javascript:alert(1)")), "");
  EXPECT_EQ(base(Flavour("text/x-moz-url-priv", "file://otherhost/share/x.html")), "") << "not a local path";
  EXPECT_EQ(base(Flavour(LTMimeText, "SourceURL:http://h/")), "");
}

}  // namespace
}  // namespace lectern
