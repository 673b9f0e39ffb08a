// Style templates: identities, names, parents and cycles, deriving text
// and paragraph styles through the chain, the normal template, copying.

#include "style/LTStyleTemplates.h"

#include "style/LTPropStream.h"

#include <gtest/gtest.h>

namespace lectern {
namespace {

struct Sheet {
  TLTStyle Style;
  TLTStyleTemplateCollection T{&Style};
  TLTStyleTemplate& Add(const char16_t* name) {
    TLTStyleTemplate& t = T.Add();
    t.SetName(name);
    return t;
  }
};

TEST(StyleTemplates, AChildsPropertiesWinOverItsAncestorsAndTheRestComesFromStyleZero) {
  Sheet s;
  s.Style.TextStyles()[0].FontName = u"Base";
  TLTStyleTemplate& grand = s.Add(u"Grand");
  grand.TextStyle.Color = clRed;
  grand.ValidTextProperties = {ltfiColor};
  TLTStyleTemplate& parent = s.Add(u"Parent");
  parent.TextStyle.Size = 20;
  parent.TextStyle.FontName = u"Parent face";
  parent.ValidTextProperties = {ltfiSize, ltfiFontName};
  parent.SetParentId(grand.Id());
  TLTStyleTemplate& child = s.Add(u"Child");
  child.TextStyle.Size = 30;
  child.ValidTextProperties = {ltfiSize};
  child.SetParentId(parent.Id());

  TFontInfo f;
  f.BackColor = clYellow;
  f.ModifiedProperties = {ltfiBackColor};
  s.T.ApplyTextTemplate(child, f, nullptr, false);
  EXPECT_EQ(f.Size, 30);
  EXPECT_EQ(f.FontName, u"Parent face");
  EXPECT_EQ(f.Color, clRed);
  EXPECT_EQ(f.BackColor, clYellow) << "a modified property stays";
  // With reset: what the chain gave is no longer modified; the template is
  // remembered; the parent's change reaches the style when derived again.
  f.Size = 99;
  f.ModifiedProperties.Include(ltfiSize);
  s.T.ApplyTextTemplate(child, f, nullptr, true);
  EXPECT_EQ(f.Size, 30) << "with reset the template wins over a change by hand";
  EXPECT_EQ(f.StyleTemplateId, child.Id());
  EXPECT_EQ(f.ModifiedProperties, TLTFontInfoProperties{ltfiBackColor});
  grand.TextStyle.Color = clBlue;
  s.T.ApplyTextTemplate(child, f, nullptr, false);
  EXPECT_EQ(f.Color, clBlue);
}

TEST(StyleTemplates, TheParagraphsTemplateComesNextAndResetClearsWhatItGave) {
  Sheet s;
  TLTStyleTemplate& quote = s.Add(u"Quote");
  quote.TextStyle.Color = clGreen;
  quote.TextStyle.Size = 14;
  quote.ValidTextProperties = {ltfiColor, ltfiSize};
  TLTStyleTemplate& plain = s.Add(u"Plain");
  TParaInfo para;
  para.StyleTemplateId = quote.Id();
  // A colour changed by hand stays when the paragraph's template is not
  // the text's own.
  TFontInfo f;
  f.Color = clRed;
  f.ModifiedProperties = {ltfiColor};
  s.T.ApplyTextTemplate(plain, f, &para, false);
  EXPECT_EQ(f.Color, clRed);
  EXPECT_EQ(f.Size, 14);
  // With reset, what the templates gave is no longer counted as changed.
  f.ModifiedProperties = {ltfiSize, ltfiColor};
  s.T.ApplyTextTemplate(quote, f, nullptr, true);
  EXPECT_TRUE(f.ModifiedProperties.Empty());
  EXPECT_EQ(f.Color, clGreen);
  // Deleting past the end changes nothing.
  s.T.Delete(s.T.Count());
  EXPECT_EQ(s.T.Count(), 2);
}

TEST(StyleTemplates, TheNormalTemplateFillsWhatTheChainLeavesUntilItIsRenamed) {
  Sheet s;
  TLTStyleTemplate& normal = s.Add(u"Normal");
  normal.ParaStyle.LeftIndent = 40;
  normal.ValidParaProperties = {ltpiLeftIndent};
  EXPECT_EQ(s.T.NormalTemplate(), &normal);
  TLTStyleTemplate& quote = s.Add(u"Quote");
  quote.ParaStyle.Alignment = ltaCenter;
  quote.ValidParaProperties = {ltpiAlignment};
  TParaInfo p;
  s.T.ApplyParaTemplate(quote, p, true);
  EXPECT_EQ(p.Alignment, ltaCenter);
  EXPECT_EQ(p.LeftIndent, 40);
  normal.SetName(u"Plain");
  EXPECT_EQ(s.T.NormalTemplate(), nullptr);
  s.T.ResetParaStyle(p);
  EXPECT_EQ(p.Alignment, s.Style.ParaStyles()[0].Alignment);
  EXPECT_EQ(p.StyleTemplateId, -1);
}

TEST(StyleTemplates, ParentsNeverFormACycleAndGoWithTheirTemplate) {
  Sheet s;
  TLTStyleTemplate& a = s.Add(u"A");
  TLTStyleTemplate& b = s.Add(u"B");
  a.SetParentId(b.Id());
  EXPECT_THROW(b.SetParentId(a.Id()), ELecternError);
  EXPECT_EQ(b.ParentId(), -1);
  EXPECT_EQ(b.Parent(), nullptr);
  TLTStyleTemplate& c = s.Add(u"C");
  c.SetParentId(b.Id());
  // B goes: both children lose their parent.
  s.T.Delete(1);
  EXPECT_EQ(a.ParentId(), -1);
  EXPECT_EQ(c.Parent(), nullptr);
}

TEST(StyleTemplates, StoredCyclesAndDuplicateIdentitiesAreBrokenOnLoading) {
  Sheet s;
  auto& x = static_cast<TLTStyleTemplate&>(s.T.AddItem());
  auto& y = static_cast<TLTStyleTemplate&>(s.T.AddItem());
  auto& z = static_cast<TLTStyleTemplate&>(s.T.AddItem());
  x.SetStoredId(5);
  y.SetStoredId(7);
  z.SetStoredId(7);
  x.SetStoredParentId(7);
  y.SetStoredParentId(5);
  s.T.UpdateParentReferences();
  EXPECT_NE(z.Id(), 7);
  EXPECT_GT(z.Id(), 0);
  // The chain from any template ends.
  int steps = 0;
  for (TLTStyleTemplate* t = &x; t && steps < 10; t = t->Parent()) ++steps;
  EXPECT_LT(steps, 10);
  x.ValidTextProperties = {ltfiSize};
  TFontInfo f;
  s.T.ApplyTextTemplate(x, f, nullptr, true);  // ends
}

TEST(StyleTemplates, IdentityZeroNamesNothingAndParentsCopyOnlyWithinACollection) {
  Sheet s;
  TLTStyleTemplate& fresh = s.Add(u"Fresh");
  EXPECT_EQ(fresh.AssignedId(), 0);
  EXPECT_EQ(s.T.FindTemplateById(0), -1);
  TLTStyleTemplate& parent = s.Add(u"Parent");
  TLTStyleTemplate& child = s.Add(u"Child");
  child.SetParentId(parent.Id());
  s.Add(u"Twin").Assign(child);
  EXPECT_EQ(s.T[3].ParentId(), parent.Id());
  Sheet other;
  other.Add(u"Other").Assign(child);
  EXPECT_EQ(other.T[0].ParentId(), -1);
  // Renaming a second "Normal" leaves the first the normal template.
  s.Add(u"Normal");
  s.Add(u"Normal").SetName(u"Renamed");
  EXPECT_EQ(s.T.NormalTemplate(), &s.T[4]);
}

TEST(StyleTemplates, DefaultNamesCountUpFromOneAndSubstituteLiterally) {
  Sheet s;
  EXPECT_EQ(s.T.Add().Name(), u"Style 1");
  EXPECT_EQ(s.T.Add().Name(), u"Style 2");
  s.T.Delete(0);
  s.T.Delete(0);
  EXPECT_EQ(s.T.Add().Name(), u"Style 1");
  s.T.DefStyleName = u"%s 100%";  // no "%d": one is added, the rest stays as it is
  EXPECT_EQ(s.T.Add().Name(), u"%s 100% 2");
  // Identities from 1 upward, the same for the same document.
  EXPECT_EQ(s.T[0].Id(), 1);
  EXPECT_EQ(s.T[1].Id(), 2);
}

TEST(StyleTemplates, ACopiedCollectionReplacesTheTemplatesKeepingIdentitiesAndParents) {
  Sheet a;
  TLTStyleTemplate& p = a.Add(u"Parent");
  TLTStyleTemplate& c = a.Add(u"Child");
  a.T[0].SetStoredId(40);
  c.SetParentId(p.Id());
  Sheet b;
  b.Add(u"Parent");  // a template of the same name already there goes
  b.Add(u"Other");
  b.T.Assign(a.T);
  ASSERT_EQ(b.T.Count(), 2);
  EXPECT_EQ(b.T[1].Parent(), &b.T[0]);
  EXPECT_EQ(b.T[1].Name(), u"Child");
  // Styles copied with the sheet still name their templates.
  EXPECT_EQ(b.T[0].Id(), 40);
  EXPECT_EQ(b.T[1].Id(), c.Id());
}

TEST(StyleTemplates, MergingMapsTemplatesByNameAndAddsTheRest) {
  Sheet source;
  TLTStyleTemplate& heading = source.Add(u"Heading");
  TLTStyleTemplate& quote = source.Add(u"Quote");
  source.Add(u"Aside").SetStoredId(9);
  heading.SetStoredId(1);
  quote.SetStoredId(2);
  quote.SetParentId(1);
  Sheet target;
  TLTStyleTemplate& own = target.Add(u"Heading");
  own.SetStoredId(2);  // Quote's identity is taken here
  own.TextStyle.Size = 30;

  Sheet mapOnly;
  mapOnly.Add(u"Heading");
  const TLTStyleTemplateIdMap mapped = mapOnly.T.Merge(source.T, false);
  EXPECT_EQ(mapOnly.T.Count(), 1);
  EXPECT_EQ(mapped.size(), 1u);

  const TLTStyleTemplateIdMap ids = target.T.Merge(source.T, true);
  ASSERT_EQ(target.T.Count(), 3);
  EXPECT_EQ(ids.at(1), 2);
  EXPECT_EQ(target.T[0].TextStyle.Size, 30);  // the document's own definition wins
  TLTStyleTemplate& q = target.T[1];
  EXPECT_EQ(q.Name(), u"Quote");
  EXPECT_NE(q.Id(), 2);
  EXPECT_EQ(ids.at(2), q.Id());
  EXPECT_EQ(q.Parent(), &target.T[0]);
  EXPECT_EQ(ids.at(9), 9);  // a free identity is kept
}

TEST(StyleTemplates, LongStoredChainsAndLoopsLinkInOnePass) {
  // Each template names the next as parent and the last closes the loop:
  // linking stays linear and the loop loses exactly one link.
  Sheet s;
  constexpr int kCount = 20000;
  for (int i = 0; i < kCount; ++i) {
    auto& t = static_cast<TLTStyleTemplate&>(s.T.AddItem());
    t.SetStoredId(i + 1);
    t.SetStoredParentId(i + 2 > kCount ? 1 : i + 2);
  }
  s.T.UpdateParentReferences();
  int cut = 0;
  for (int i = 0; i < kCount; ++i) cut += s.T[i].Parent() == nullptr;
  EXPECT_EQ(cut, 1);
  EXPECT_EQ(s.T[kCount - 1].ParentId(), -1);
  EXPECT_TRUE(s.T[0].Children().empty());
  EXPECT_EQ(s.T[kCount - 1].Children().size(), 1u);
}

TEST(StyleTemplates, TheSheetStoresItsTemplatesAndLinksThemAgainWhenRead) {
  TLTStyle sheet;
  TLTStyleTemplateCollection& t = sheet.StyleTemplates();
  TLTStyleTemplate& normal = t.Add();
  normal.SetName(u"Normal");
  normal.TextStyle.FontName = u"Serif";
  normal.ValidTextProperties = {ltfiFontName};
  TLTStyleTemplate& heading = t.Add();
  heading.SetName(u"Heading");
  heading.ParaStyle.SpaceBefore = 12;
  heading.ParaStyle.BiDiMode = ltbdRightToLeft;
  heading.ValidParaProperties = {ltpiSpaceBefore, ltpiBiDiMode};
  heading.SetParentId(normal.Id());
  t.DefStyleName = u"Heading %d";
  std::string bytes;
  TLTPropWriter w(bytes);
  w.WriteComponent("TLTStyle", "Sheet", sheet);

  TLTStyle read;
  TLTPropReader r(bytes);
  ASSERT_TRUE(r.ReadComponent(read)) << r.Error();
  TLTStyleTemplateCollection& back = read.StyleTemplates();
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.NormalTemplate(), &back[0]);
  EXPECT_EQ(back[1].Name(), u"Heading");
  EXPECT_EQ(back[1].Parent(), &back[0]);
  EXPECT_EQ(back[1].Id(), heading.Id());
  EXPECT_EQ(back[1].ValidParaProperties, heading.ValidParaProperties);
  EXPECT_EQ(back[1].ParaStyle.SpaceBefore, 12);
  EXPECT_EQ(back[0].TextStyle.FontName, u"Serif");
  EXPECT_EQ(back.DefStyleName, u"Heading %d");
  // A sheet without templates is stored as it always was.
  std::string plain;
  TLTStyle empty;
  TLTPropWriter(plain).WriteComponent("TLTStyle", "Sheet", empty);
  EXPECT_EQ(plain.find("StyleTemplates"), std::string::npos);
}

}  // namespace
}  // namespace lectern
