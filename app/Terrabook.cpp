// The Terrabook window's logic.

#include "app/Terrabook.h"

#include "app/FieldCodes.h"
#include "app/LTNormalize.h"
#include "edit/LTEdit.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
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
  if (OnBeforeDocumentUse) OnBeforeDocumentUse();
  files_.Template = path;
  return LoadTemplate();
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
    for (table_.First(); !table_.Eof(); table_.Next())
      viewNames_.push_back(Utf8ToUtf16(table_.FieldByName("Country").AsString()));
  } catch (const std::exception& e) {
    viewNames_.assign(1, kFieldCodesEntry);
    tableProblem_ = std::string("The country table could not be opened: ") + e.what();
    problems.push_back(tableProblem_);
  }
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

TLTString TTerrabook::JumpTarget(const TLTTag& tag) {
  const TLTString* s = tag.String();
  if (!s) return {};
  const size_t bar = s->find(u'|');
  return bar == TLTString::npos ? *s : s->substr(bar + 1);
}

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
