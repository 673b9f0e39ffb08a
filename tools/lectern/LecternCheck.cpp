// The check command of `lectern`: the misspelt words of a document, found
// by the same background worker the window runs, one a line with where
// they stand.

#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "spell/LTSpeller.h"
#include "spell/LTThread.h"
#include "tools/lectern/LecternFormats.h"
#include "tools/lectern/LecternTool.h"
#include "view/CLectern.h"

#include <ostream>

namespace lectern {

namespace {

/// Long enough for a document of many megabytes on a slow machine.
constexpr int kCheckTimeoutMs = 10 * 60 * 1000;

/// Prints "PATH:OFFSET: WORD" for every mark of data, PATH being the item
/// number, led by the items and sub-documents (cell R,C; note) above it.
void PrintMarks(TCustomLTData& data, const std::string& path, std::ostream& out, int& count) {
  for (int i = 0; i < data.ItemCount(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    const std::string here = path + IntToStr(i);
    if (item.MarkList) {
      const TLTString text = data.GetItemTextW(i);
      for (const auto& p : *item.MarkList) {
        if (!p->IsMisspelling() || p->StartOffs < 1 || static_cast<size_t>(p->StartOffs - 1) >= text.size()) continue;
        out << here << ':' << p->StartOffs << ": "
            << Utf16ToUtf8(text.substr(static_cast<size_t>(p->StartOffs - 1), static_cast<size_t>(p->Length))) << '\n';
        ++count;
      }
    }
    if (item.IsText()) continue;
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* sub = item.GetSubDocument(cursor, ltsdFirst); sub;
         sub = item.GetSubDocument(cursor, ltsdNext)) {
      std::string label = cursor ? cursor->Describe() : std::string();
      label = label.substr(0, label.find(" span"));
      PrintMarks(*sub, here + "/" + (label.empty() ? "part" : label) + "/", out, count);
    }
  }
}

}  // namespace

int CheckCommand(const std::vector<std::string>& files, const TToolOptions& options, std::ostream& out,
                 std::ostream& err) {
  if (files.size() != 1) return UsageError(err, "check takes one input file");
  TLTSpeller speller;
  std::vector<std::string> dirs = TLTSpeller::DefaultDictionaryDirs();
  if (!options.DictDir.empty()) dirs = {options.DictDir};
  const std::string lang = options.Lang.empty() ? TLTSpeller::LocaleLanguage() : options.Lang;
  std::string error;
  if (!speller.Open(lang, dirs, error)) {
    err << "lectern: " << error << '\n';
    return lteUsage;
  }
  if (!speller.LoadPersonal(TLTSpeller::DefaultPersonalPath(), error)) err << "lectern: warning: " << error << '\n';

  auto doc = std::make_unique<TLTDocument>();
  // A document that cannot be read is no answer about its words.
  if (Load(files[0], *doc, err) != lteOk) return lteUsage;

  RegisterWordChecking();
  TLTHeadlessWindow win(kDefaultPictureWidth, 600);
  TLectern viewer(win);
  viewer.Context().Options = doc->Context.Options;
  viewer.SetStyle(&doc->Style);
  viewer.LTData().AppendFrom(doc->Data);
  viewer.Format();
  viewer.OnSpellingCheck = [&speller](TCustomLectern&, const TLTString& word, int32_t, bool& misspelled) {
    misspelled = speller.IsMisspelled(word);
  };
  viewer.StartWordChecking();
  if (!viewer.WaitForWordChecking(kCheckTimeoutMs)) {
    err << "lectern: " << files[0] << ": checking took too long\n";
    return lteUsage;
  }
  int count = 0;
  PrintMarks(viewer.LTData(), "", out, count);
  viewer.StopWordChecking();
  return count == 0 ? lteOk : lteBadInput;
}

}  // namespace lectern
