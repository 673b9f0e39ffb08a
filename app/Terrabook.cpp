// The Terrabook window's logic.

#include "app/Terrabook.h"

#include "app/FieldCodes.h"
#include "app/LTNormalize.h"
#include "edit/LTEdit.h"
#include "model/LTDocument.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace lectern {

namespace {

TLTStyle& SheetOf(TCustomLTData& data) {
  TLTStyle* style = data.GetStyle();
  if (!style) throw ELecternError("the document has no style sheet");
  return *style;
}

}  // namespace

TTerrabookFiles TTerrabookFiles::In(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return {dir + "terrabook.ltf", dir + "Terra.db"};
}

TTerrabook::TTerrabook(TTerrabookFiles files, TCustomLTData& document)
    : files_(std::move(files)), document_(document), merge_(SheetOf(document), &table_) {
  // The template carries its styles and properties, as the editor saves it.
  if (TLTDocumentContext* context = document_.GetContext()) context->LTFOptions = LTEditorLTFOptions;
}

std::string TTerrabook::LoadTemplate() {
  document_.Clear();
  unreadable_ = false;
  viewIndex_ = 0;
  merge_.CodesView = true;
  Modified = false;
  std::error_code ec;
  if (!std::filesystem::exists(TemplatePath(), ec))
    return "The template " + TemplatePath() + " was not found; the editor starts empty.";
  if (document_.LoadLTF(TemplatePath())) return {};
  // What did load is dropped: a half-read template must not be saved over
  // the file, which is kept aside before the first save.
  document_.Clear();
  unreadable_ = true;
  const TLTDocumentContext* context = document_.GetContext();
  const std::string why = context && !context->LTFError.empty() ? " (" + context->LTFError + ")" : std::string();
  return "The template " + TemplatePath() + " could not be read" + why +
         "; the editor starts empty. The file is kept as " + TemplatePath() + ".bak before anything is saved over it.";
}

std::string TTerrabook::OpenTemplate(const std::string& path) {
  // Read apart first: a file that is no document (a picture, a damaged
  // template) must neither empty the window nor become the file that Save
  // writes over.
  std::error_code ec;
  std::string why;
  if (!std::filesystem::is_regular_file(path, ec)) {
    why = std::filesystem::exists(path, ec) ? "it is not a file" : "it was not found";
  } else {
    TLTDocument trial;
    trial.Context.LTFOptions = LTEditorLTFOptions;
    if (!trial.Data.LoadLTF(path))
      why = "it is not a document Terrabook can read" +
            (trial.Context.LTFError.empty() ? std::string() : " (" + trial.Context.LTFError + ")");
  }
  if (!why.empty()) return path + " was not opened: " + why + ". The template shown stays as it was.";
  if (OnBeforeDocumentUse) OnBeforeDocumentUse();
  files_.Template = path;
  std::string problem = LoadTemplate();
  viewIndex_ = ShownView();
  merge_.CodesView = viewIndex_ == 0;
  return problem;
}

int TTerrabook::ShownView() {
  // Values keep their field's tag, so the document tells which record it
  // shows: the one whose string fields read as the values do. A code, or
  // values of no record, is the codes view.
  std::vector<std::pair<TLTString, TLTString>> shown;
  std::function<void(const TCustomLTData&)> collect = [&](const TCustomLTData& d) {
    for (int i = 0; i < d.ItemCount(); ++i) {
      TLTFieldTag tag;
      if (ParseFieldTag(d.GetItemTag(i), tag)) {
        if (!d.GetItem(i).IsText()) continue;
        const TLTString text = d.GetItemTextW(i);
        // A field's name is its code, or a record's empty value: no clue.
        const bool known =
            std::any_of(shown.begin(), shown.end(), [&](const auto& s) { return s.first == tag.Name; });
        if (!known && !text.empty() && text != tag.Name) shown.emplace_back(tag.Name, text);
        continue;
      }
      std::unique_ptr<TLTSubDocCursor> cursor;
      TCustomLTItemInfo& item = const_cast<TCustomLTData&>(d).GetItem(i);
      for (TCustomLTData* sub = item.GetSubDocument(cursor, ltsdFirst); sub; sub = item.GetSubDocument(cursor, ltsdNext))
        collect(*sub);
    }
  };
  collect(document_);
  if (shown.empty() || !table_.Active()) return 0;
  try {
    for (int recNo = 1; recNo <= table_.RecordCount(); ++recNo) {
      table_.SetRecNo(recNo);
      bool all = true, any = false;
      for (const auto& [field, text] : shown) {
        TLTDataField* f = table_.FindField(Utf16ToUtf8(field));
        if (!f || !f->IsString()) continue;
        any = true;
        if (Utf8ToUtf16(f->AsString()) != text) {
          all = false;
          break;
        }
      }
      if (any && all) return recNo;
    }
  } catch (const std::exception&) {
  }
  return 0;
}

std::vector<std::string> TTerrabook::Start() {
  std::vector<std::string> problems;
  if (std::string p = LoadTemplate(); !p.empty()) problems.push_back(std::move(p));
  viewNames_.assign(1, kFieldCodesEntry);
  tableProblem_.clear();
  try {
    table_.Close();
    table_.SetFileName(TablePath());
    table_.SetTableName("");
    table_.Open();
    RegisterFieldNames(table_);
    for (table_.First(); !table_.Eof(); table_.Next())
      viewNames_.push_back(Utf8ToUtf16(table_.FieldByName("Country").AsString()));
  } catch (const std::exception& e) {
    viewNames_.assign(1, kFieldCodesEntry);
    tableProblem_ = std::string("The country table could not be opened: ") + e.what();
    problems.push_back(tableProblem_);
  }
  viewIndex_ = ShownView();
  merge_.CodesView = viewIndex_ == 0;
  Modified = false;
  return problems;
}

std::vector<std::string> TTerrabook::SwitchView(int index) {
  if (index < 0 || index >= static_cast<int>(viewNames_.size())) return {"There is no view " + IntToStr(index) + "."};
  if (OnBeforeDocumentUse) OnBeforeDocumentUse();
  merge_.CodesView = index <= 0;
  if (index > 0) {
    try {
      table_.SetRecNo(index);
    } catch (const std::exception& e) {
      return {e.what()};
    }
  }
  viewIndex_ = index;
  merge_.MergeRecord(document_);
  NormalizeDocument(document_);
  Modified = true;
  return merge_.Problems;
}

bool TTerrabook::SaveTemplate(std::string& error, std::string* note) {
  if (OnBeforeDocumentUse) OnBeforeDocumentUse();
  std::error_code ec;
  if (unreadable_ && std::filesystem::exists(TemplatePath(), ec)) {
    const std::string bak = TemplatePath() + ".bak";
    std::filesystem::copy_file(TemplatePath(), bak, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
      error = "The unreadable template could not be kept as " + bak + " (" + ec.message() + "); nothing was saved.";
      return false;
    }
    if (note) *note = "The template that could not be read was kept as " + bak + ".";
  }
  document_.DeleteUnusedStyles(true, true, true);
  if (!document_.SaveLTF(TemplatePath())) {
    error = "The template could not be saved to " + TemplatePath() + ".";
    return false;
  }
  unreadable_ = false;
  Modified = false;
  return true;
}

bool TTerrabook::SaveTemplateAs(const std::string& path, std::string& error, std::string* note) {
  const TTerrabookFiles keep = files_;
  const bool keepUnreadable = unreadable_;
  // Another file: the unreadable one stays as it is.
  if (path != files_.Template) unreadable_ = false;
  files_.Template = path;
  if (SaveTemplate(error, note)) return true;
  files_ = keep;
  unreadable_ = keepUnreadable;
  return false;
}

namespace {

TLTString FieldStatus(const TLTString& name) {
  return name.empty() ? TLTString(u"The caret is not in any field") : u"The caret is in field: " + name;
}

}  // namespace

TLTString TTerrabook::CaretStatus(const TCustomLTItemInfo* item) {
  if (!item) return {};
  TLTString name;
  GetFieldName(item->Tag, name);
  return FieldStatus(name);
}

TLTString TTerrabook::CaretStatus(const TCustomLTData& container, int itemNo) {
  if (itemNo < 0 || itemNo >= container.ItemCount()) return {};
  return FieldStatus(FieldAt(container, itemNo));
}

TLTString TTerrabook::CaretStatus(TCustomLecternEdit& editor) { return FieldStatus(FieldAtCaret(editor)); }

int TTerrabook::CaretTemplate(TCustomLecternEdit& editor) {
  TCustomLecternEdit& e = editor.InnermostEditor();
  TLTStyle* style = e.Style();
  if (!style || style->StyleTemplates().Count() == 0) return -1;
  TLTStyleTemplateCollection& templates = style->StyleTemplates();
  if (style->ParaStyles().IsValidIndex(e.CurrentParaStyle())) {
    const TParaInfo& para = style->ParaStyles()[e.CurrentParaStyle()];
    if (const int at = templates.FindTemplateById(para.StyleTemplateId); at >= 0) return at;
    for (int i = 0; i < templates.Count(); ++i)
      if (!para.StyleName.empty() && templates[i].Name() == para.StyleName) return i;
  }
  const int text = e.ActualCurrentTextStyle();
  if (!style->TextStyles().IsValidIndex(text)) return -1;
  return templates.FindTemplateById(style->TextStyles()[text].StyleTemplateId);
}

TLTString TTerrabook::JumpTarget(const TLTTag& tag) { return OwnTag(tag); }

bool TTerrabook::MayOpen(const std::string& target, std::string& why) {
  std::string t = target;
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
  size_t start = 0;
  while (start < t.size() && std::isspace(static_cast<unsigned char>(t[start]))) ++start;
  t.erase(0, start);
  if (t.empty()) {
    why = "the link has no target";
    return false;
  }
  std::string lower = t;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* scheme : {"http://", "https://", "mailto:", "ftp://"})
    if (lower.rfind(scheme, 0) == 0) return true;
  std::string path = t;
  if (lower.rfind("file://", 0) == 0)
    path = t.substr(7);
  else if (lower.find("://") != std::string::npos || (lower.find(':') != std::string::npos && lower[0] != '/')) {
    why = "links of this kind are not opened";
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH))) {
    why = "the link points to a program, which is never started";
    return false;
  }
  return true;
}

}  // namespace lectern
