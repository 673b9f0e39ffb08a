// The Terrabook window's logic.

#include "app/Terrabook.h"

#include "app/LTNormalize.h"
#include "platform/LTSysUtils.h"

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

std::vector<std::string> TTerrabook::Start() {
  std::vector<std::string> problems;
  document_.Clear();
  std::error_code ec;
  if (std::filesystem::exists(TemplatePath(), ec)) {
    if (!document_.LoadLTF(TemplatePath())) {
      // What did load is dropped: a half-read template must not be saved
      // over the file by a later "Yes".
      document_.Clear();
      problems.push_back("The template " + TemplatePath() + " could not be read; the editor starts empty.");
    }
  }
  viewNames_.assign(1, kFieldCodesEntry);
  viewIndex_ = 0;
  merge_.CodesView = true;
  try {
    table_.Close();
    table_.SetFileName(TablePath());
    table_.SetTableName("");
    table_.Open();
    for (table_.First(); !table_.Eof(); table_.Next())
      viewNames_.push_back(Utf8ToUtf16(table_.FieldByName("Country").AsString()));
  } catch (const std::exception& e) {
    problems.push_back(e.what());
  }
  Modified = false;
  return problems;
}

std::vector<std::string> TTerrabook::SwitchView(int index) {
  if (index < 0 || index >= static_cast<int>(viewNames_.size())) return {"There is no view " + IntToStr(index) + "."};
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

bool TTerrabook::SaveTemplate(std::string& error) {
  document_.DeleteUnusedStyles(true, true, true);
  if (!document_.SaveLTF(TemplatePath())) {
    error = "The template could not be saved to " + TemplatePath() + ".";
    return false;
  }
  Modified = false;
  return true;
}

TLTString TTerrabook::CaretStatus(const TCustomLTItemInfo* item) {
  if (!item) return {};
  const TLTString* tag = item->Tag.String();
  TLTString name;
  if (tag) {
    const size_t bar = tag->find(u'|');
    if (bar != TLTString::npos) name = tag->substr(0, bar);
  }
  return name.empty() ? TLTString(u"The caret is not in any field") : u"The caret is in field: " + name;
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
