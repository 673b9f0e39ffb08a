#pragma once
// Style templates: named, inheritable formatting definitions from which
// text and paragraph styles are derived. A template defines only the
// properties in its valid sets; what it leaves open comes from its parent,
// the parent's parent and so on, then from the template named "Normal",
// then from style 0 of the sheet.

#include "style/LTStyle.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace lectern {

class TLTStyleTemplateCollection;

constexpr char16_t LTDefaultTemplateNamePattern[] = u"Style %d";

/// Identities of incoming templates and the ones that stand for them.
using TLTStyleTemplateIdMap = std::unordered_map<TLTStyleTemplateId, TLTStyleTemplateId>;

/// The text properties of a template: a text style without the sheet's
/// bookkeeping (no base style, name, standard flag or template link).
class TLTSTFontInfo : public TCustomLTFontInfo {
 public:
  const TLTClassInfo& ClassInfo() const override;
};

/// The paragraph properties of a template.
class TLTSTParaInfo : public TCustomLTParaInfo {
 public:
  const TLTClassInfo& ClassInfo() const override;
};

/// One template of a collection.
class TLTStyleTemplate : public TLTPersistent {
 public:
  explicit TLTStyleTemplate(TLTStyleTemplateCollection* collection = nullptr);
  ~TLTStyleTemplate() override;
  TLTStyleTemplate(const TLTStyleTemplate&) = delete;
  TLTStyleTemplate& operator=(const TLTStyleTemplate&) = delete;
  const TLTClassInfo& ClassInfo() const override;

  TLTSTFontInfo TextStyle;
  TLTSTParaInfo ParaStyle;
  TLTFontInfoProperties ValidTextProperties;
  TLTParaInfoProperties ValidParaProperties;

  const TLTString& Name() const { return name_; }
  /// "Normal" makes the template its collection's normal template.
  void SetName(const TLTString& name);
  /// The identity; assigned on first use (1 upward, unique in the collection).
  TLTStyleTemplateId Id();
  /// The identity as it stands (0: none assigned yet).
  TLTStyleTemplateId AssignedId() const { return id_; }
  /// A stored identity, set as it was stored.
  void SetStoredId(TLTStyleTemplateId id) { id_ = id; }
  TLTStyleTemplateId ParentId() const { return parentId_; }
  /// Links the template under the one with that identity. Raises
  /// ELecternError "Circular references are not allowed" (leaving no
  /// parent) when the template would become its own ancestor.
  void SetParentId(TLTStyleTemplateId id);
  /// The stored value only; links are made by UpdateParentReferences.
  void SetStoredParentId(TLTStyleTemplateId id) { parentId_ = id; }
  TLTStyleTemplate* Parent() const { return parent_; }
  const std::vector<TLTStyleTemplate*>& Children() const { return children_; }
  /// Copies the properties and the name; the parent only within one
  /// collection; never the identity.
  void Assign(const TLTStyleTemplate& source);
  TLTStyleTemplateCollection* Collection() const { return collection_; }

 private:
  friend class TLTStyleTemplateCollection;
  void Unlink();
  TLTStyleTemplateCollection* collection_;  // not owned
  TLTString name_;
  TLTStyleTemplateId id_ = 0;
  TLTStyleTemplateId parentId_ = -1;
  TLTStyleTemplate* parent_ = nullptr;       // not owned
  std::vector<TLTStyleTemplate*> children_;  // not owned
};

/// The templates of a style sheet.
class TLTStyleTemplateCollection : public TLTCollection {
 public:
  explicit TLTStyleTemplateCollection(TLTStyle* owner = nullptr) : owner_(owner) {}
  ~TLTStyleTemplateCollection() override;
  TLTStyleTemplateCollection(const TLTStyleTemplateCollection&) = delete;
  TLTStyleTemplateCollection& operator=(const TLTStyleTemplateCollection&) = delete;
  const TLTClassInfo& ClassInfo() const override;

  int Count() const override { return static_cast<int>(items_.size()); }
  TLTPersistent& ItemAt(int index) override { return *items_.at(static_cast<size_t>(index)); }
  /// A template as readers make it: no default name, no links yet.
  TLTPersistent& AddItem() override;
  void Clear() override;
  TLTStyleTemplate& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
  /// A new template with a default name made from DefStyleName.
  TLTStyleTemplate& Add();
  void Delete(int index);

  /// The pattern of default names; "%d" stands for the counter.
  TLTString DefStyleName = LTDefaultTemplateNamePattern;
  TLTStyleTemplate* NormalTemplate() const { return normal_; }
  TLTStyle* Owner() const { return owner_; }

  /// The lowest index of the template with that identity, or -1.
  int FindTemplateById(TLTStyleTemplateId id);
  /// Links every template to its parent after the templates were read; a
  /// duplicate identity gets a new one, and a stored parent that would
  /// close a cycle is dropped, so that derivation always ends.
  void UpdateParentReferences();
  /// Copies of source's templates with the same identities, the parents
  /// linked by position: styles copied along keep their templates.
  void Assign(const TLTStyleTemplateCollection& source);
  /// Brings source's templates into this collection, for styles arriving
  /// from another document: a template of the same name stands for an
  /// incoming one; the others are added (only with addMissing), keeping
  /// their identity when it is free. The result maps every incoming
  /// identity that has a template here.
  TLTStyleTemplateIdMap Merge(const TLTStyleTemplateCollection& source, bool addMissing);

  /// Derives the text style f from t (and the template of paragraph para,
  /// then the normal template, then text style 0); with reset, the
  /// properties taken are no longer counted as modified and f is linked to t.
  void ApplyTextTemplate(TLTStyleTemplate& t, TCustomLTFontInfo& f, const TCustomLTParaInfo* para, bool reset);
  void ApplyParaTemplate(TLTStyleTemplate& t, TCustomLTParaInfo& p, bool reset);
  /// Back to the normal definition.
  void ResetTextStyle(TCustomLTFontInfo& f, const TCustomLTParaInfo* para);
  void ResetParaStyle(TCustomLTParaInfo& p);

 private:
  friend class TLTStyleTemplate;
  TLTStyleTemplateId NewId() const;
  void MakeDefaultName(TLTStyleTemplate& t);
  TLTStyle* owner_;  // not owned
  std::vector<std::unique_ptr<TLTStyleTemplate>> items_;
  TLTStyleTemplate* normal_ = nullptr;  // one of items_
  int32_t nameCounter_ = 0;
};

}  // namespace lectern
