// Writes seed documents for the LTF fuzzer: make_ltf_seeds <folder>. Each
// file starts with the fuzzer's mode byte.

#include <fstream>
#include <string>

#include "items/LTNote.h"
#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "style/LTStyleTemplates.h"
#include "table/LTTable.h"

using namespace lectern;

namespace {

void Write(const std::string& folder, const std::string& name, char mode, TLTDocument& d, TLTFOptions options) {
  d.Context.LTFOptions = options;
  TLTMemoryStream m;
  d.Data.SaveLTFToStream(m);
  std::ofstream(folder + "/" + name, std::ios::binary) << mode << m.Data();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  TLTDocument d;
  TLTImageList images;
  images.Images.resize(4);
  d.Style.TextStyles().Add().Unicode = false;
  d.Style.ListStyles().Add().Levels.Add().ListType = ltlstDecimal;
  TLTStyleTemplate& normal = d.Style.StyleTemplates().Add();
  normal.SetName(u"Normal");
  normal.ValidTextProperties = {ltfiFontName};
  TLTStyleTemplate& heading = d.Style.StyleTemplates().Add();
  heading.ValidParaProperties = {ltpiSpaceBefore};
  heading.SetParentId(normal.Id());
  d.Style.TextStyles()[6].StyleTemplateId = heading.Id();
  d.Context.DocProperties = {u"Title=Seed"};
  d.Data.AddNamedCheckpoint(u"top", true, TLTTag::FromString(u"tag"));
  d.Data.AddTextW(u"Plain text and Ümlauts", 0, 0);
  d.Data.AddTextW(u" more", 1, -1, TLTTag::FromString(u"Capital"));
  d.Data.AddTextA("eight-bit", 6, 1);
  d.Data.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  d.Data.AddTextW(u"list\titem", 0, -1);
  d.Data.AddItem({}, std::make_unique<TLTBreakItemInfo>());
  auto bullet = std::make_unique<TLTBulletItemInfo>();
  bullet->ImageList = &images;
  bullet->Alt = u"alt";
  d.Data.AddItem("b", std::move(bullet));
  auto png = std::make_unique<TPNGImage>();
  TLTPixels px;
  px.Width = px.Height = 2;
  px.Data.assign(4, 0xFF336699u);
  png->SetPixels(px);
  d.Data.AddItem("p", std::make_unique<TLTGraphicItemInfo>(std::move(png), 1));
  RegisterTableItemKind();
  auto table = std::make_unique<TLTTableItemInfo>(3, 3);
  TLTTableItemInfo& t = *table;
  d.Data.AddItem({}, std::move(table));
  t.MergeRect(0, 0, 2, 2, false);
  t.Cells(0, 0)->AddTextW(u"merged", 1, 0);
  t.Cells(2, 2)->Color = clYellow;
  t.Rows[1].VAlign = ltcBottom;
  auto inner = std::make_unique<TLTTableItemInfo>(1, 2);
  t.Cells(2, 0)->AddItem({}, std::move(inner));
  RegisterSpecialItemKinds();
  auto label = std::make_unique<TLTLabelItemInfo>();
  label->LabelText = u"label";
  label->MinWidth = 30;
  label->LabelAlignment = ltaRight;
  label->ProtectTextStyleNo = true;
  d.Data.AddItem({}, std::move(label));
  auto seq = std::make_unique<TLTSeqItemInfo>(u"Figure", ltseqUpperRoman);
  seq->FormatString = u"Fig. %s";
  seq->Reset = true;
  seq->StartFrom = 3;
  seq->SetJoinPrev(true);
  d.Data.AddItem({}, std::move(seq));
  auto foot = std::make_unique<TLTFootnoteItemInfo>();
  foot->SetNoteText(u" note", 1, d.Data);
  foot->Document().InsertItemAt(0, {}, std::make_unique<TLTNoteReferenceItemInfo>());
  foot->Document().GetItem(1).SetJoinPrev(true);
  foot->Document().AddItem({}, std::make_unique<TLTTableItemInfo>(1, 1));
  auto nested = std::make_unique<TLTEndnoteItemInfo>();
  nested->SetNoteText(u"nested", 0, d.Data);
  foot->Document().AddItem({}, std::move(nested));
  foot->SetJoinPrev(true);
  d.Data.AddItem({}, std::move(foot));
  d.Data.AddNamedCheckpoint(u"end", false);
  Write(folder, "rich-binary.ltf", 0, d, LTEditorLTFOptions);
  Write(folder, "rich-text.ltf", 1, d, LTEditorLTFOptions - TLTFOptions{ltfoSaveBinary});
  Write(folder, "rich-names.ltf", 0x18, d, LTEditorLTFOptions | TLTFOptions{ltfoUseStyleNames});
  Write(folder, "plain.ltf", 2, d, {});
  return 0;
}
