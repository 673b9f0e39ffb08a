#pragma once
// A random walk of the editor checked against a plain model of its text:
// paragraphs as strings (with whether each is a list item) and the caret
// as a paragraph and an offset in it. Every typed character, deletion,
// Enter, paste, cut and caret command is applied to both, and after every
// step the editor's text and caret must be the model's; Undo and Redo must
// give back the text the model had before (and after) a step. A program is
// any bytes: each step takes one byte for what it does and more for where.
// Shared by the unit test (short walks) and the fuzz target (long ones).

#include "edit/LTEdit.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lectern::testing {

class TEditModelWalk {
 public:
  /// The text the model knows: paragraphs, list items among them, caret.
  struct TModel {
    std::vector<std::u16string> Paras;
    std::vector<bool> List;
    int Para = 0;
    int Offs = 0;
    bool SameText(const TModel& o) const { return Paras == o.Paras && List == o.List; }
  };

  TEditModelWalk() {
    style_.SelectionMode = ltsmChar;
    TLTListLevel& level = style_.ListStyles().Add().Levels.Add();
    level.ListType = ltlstDecimal;
    level.FormatString = u"%0:s.";
    e_.LeftMargin = e_.RightMargin = e_.TopMargin = e_.BottomMargin = 0;
    e_.SetStyle(&style_);
    TLTEditLTData& d = e_.EditData();
    d.AddTextW(u"one two", 0, 0);
    d.AddTextW(u"", 0, 0);
    d.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
    d.AddTextW(u"first item", 0, -1);
    d.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
    d.AddTextW(u"second", 0, -1);
    d.AddTextW(u"last", 0, 0);
    e_.Format();
    win_.SetFocused(true);
    e_.SetSelectionBounds(0, 1, 0, 1);
    m_ = Read();
  }

  /// Plays the program; empty when the editor agreed with the model at
  /// every step, else what differed first and where.
  std::string Run(std::string_view program) {
    program_ = program;
    at_ = 0;
    for (int step = 0; at_ < program_.size(); ++step) {
      std::string what;
      const bool checkCaret = Step(what);
      if (trace_) trace_(what + " -> " + Show(Read()) + " " + Items() + " model " + Show(m_));
      if (std::string bad = Compare(checkCaret); !bad.empty())
        return "step " + std::to_string(step) + " (" + what + "): " + bad;
    }
    return {};
  }

  TLecternEdit& Editor() { return e_; }
  /// Told every step and what the editor holds after it.
  std::function<void(const std::string&)> trace_;

 private:
  static constexpr size_t kMaxParaLength = 120;
  static constexpr size_t kMaxParas = 30;

  uint8_t Next() { return at_ < program_.size() ? static_cast<uint8_t>(program_[at_++]) : 0; }

  // ---- The editor as the model sees it -------------------------------------------------------

  /// Paragraphs and caret of the editor's document.
  TModel Read() {
    TModel r;
    const TLTEditLTData& d = e_.EditData();
    std::vector<int> paraOf(static_cast<size_t>(d.ItemCount()));
    std::vector<int> startIn(static_cast<size_t>(d.ItemCount()));
    for (int i = 0; i < d.ItemCount(); ++i) {
      const TCustomLTItemInfo& it = d.GetItem(i);
      if (i == 0 || !it.HasFlag(ltifJoinPrev)) {
        r.Paras.emplace_back();
        r.List.push_back(false);
      }
      paraOf[static_cast<size_t>(i)] = static_cast<int>(r.Paras.size()) - 1;
      startIn[static_cast<size_t>(i)] = static_cast<int>(r.Paras.back().size());
      if (it.GetBoolValue(iqListMarker))
        r.List.back() = true;
      else if (it.IsText())
        r.Paras.back() += d.GetItemTextW(i);
      else
        r.Paras.back() += u'?';
    }
    const int n = e_.CurrentItemNo(), o = e_.CurrentItemOffset();
    if (n >= 0 && n < d.ItemCount()) {
      r.Para = paraOf[static_cast<size_t>(n)];
      r.Offs = startIn[static_cast<size_t>(n)] + (d.GetItem(n).IsText() ? o - 1 : o);
    } else {
      r.Para = r.Offs = -1;
    }
    return r;
  }

  /// The item position of a model position: in the first text item that
  /// reaches it.
  std::pair<int, int> ItemPos(int para, int offs) {
    const TLTEditLTData& d = e_.EditData();
    int p = -1, start = 0, last = -1;
    for (int i = 0; i < d.ItemCount(); ++i) {
      const TCustomLTItemInfo& it = d.GetItem(i);
      if (i == 0 || !it.HasFlag(ltifJoinPrev)) {
        ++p;
        start = 0;
      }
      if (p < para || it.GetBoolValue(iqListMarker) || !it.IsText()) continue;
      if (p > para) break;
      last = i;
      const int len = it.TextLength();
      if (offs <= start + len) return {i, offs - start + 1};
      start += len;
    }
    return {last, last >= 0 ? d.GetItem(last).TextLength() + 1 : 1};
  }

  /// The items, for a trace: text, or * for a marker; | before a paragraph.
  std::string Items() {
    std::string s;
    const TLTEditLTData& d = e_.EditData();
    for (int i = 0; i < d.ItemCount(); ++i) {
      const TCustomLTItemInfo& it = d.GetItem(i);
      s += it.HasFlag(ltifJoinPrev) ? "+" : "|";
      s += it.GetBoolValue(iqListMarker) ? "*" : "\"" + Utf16ToUtf8(d.GetItemTextW(i)) + "\"";
      if (it.IsText() && it.StyleNo != 0) s += "/" + std::to_string(it.StyleNo);
      if (!it.Tag.IsEmpty()) s += "#";
    }
    return s;
  }

  static std::string Show(const TModel& m) {
    std::string s;
    for (size_t k = 0; k < m.Paras.size(); ++k) {
      s += m.List[k] ? "[*" : "[";
      s += Utf16ToUtf8(m.Paras[k]) + "]";
    }
    return s + " caret " + std::to_string(m.Para) + ":" + std::to_string(m.Offs);
  }

  std::string Compare(bool checkCaret) {
    const TModel now = Read();
    if (!now.SameText(m_)) return "editor " + Show(now) + ", model " + Show(m_);
    if (checkCaret && (now.Para != m_.Para || now.Offs != m_.Offs))
      return "caret: editor " + Show(now) + ", model " + Show(m_);
    m_.Para = now.Para;
    m_.Offs = now.Offs;
    // Text of one style meets text of the same style as one item (a
    // tagged item is inserted as one of its own).
    const TLTEditLTData& d = e_.EditData();
    for (int i = 0; i + 1 < d.ItemCount(); ++i)
      if (d.CanMergeTextItems(i) && !d.GetItem(i).Text.empty() && !d.GetItem(i + 1).Text.empty() &&
          d.GetItem(i).Tag.IsEmpty())
        return "items " + std::to_string(i) + " and " + std::to_string(i + 1) +
               " of one style were left apart: " + Show(now);
    return {};
  }

  // ---- The model's rules -------------------------------------------------------------------------

  int Len(int p) const { return static_cast<int>(m_.Paras[static_cast<size_t>(p)].size()); }

  /// The paragraphs between two positions, as copying takes them.
  std::vector<std::u16string> Range(int p1, int o1, int p2, int o2) const {
    std::vector<std::u16string> out;
    for (int p = p1; p <= p2; ++p) {
      const std::u16string& s = m_.Paras[static_cast<size_t>(p)];
      const int a = p == p1 ? o1 : 0, b = p == p2 ? o2 : static_cast<int>(s.size());
      out.push_back(s.substr(static_cast<size_t>(a), static_cast<size_t>(b - a)));
    }
    return out;
  }

  void Delete(int p1, int o1, int p2, int o2) {
    std::u16string& first = m_.Paras[static_cast<size_t>(p1)];
    const std::u16string tail = m_.Paras[static_cast<size_t>(p2)].substr(static_cast<size_t>(o2));
    first = first.substr(0, static_cast<size_t>(o1)) + tail;
    m_.Paras.erase(m_.Paras.begin() + p1 + 1, m_.Paras.begin() + p2 + 1);
    m_.List.erase(m_.List.begin() + p1 + 1, m_.List.begin() + p2 + 1);
    m_.Para = p1;
    m_.Offs = o1;
  }

  /// Inserts paragraphs at the caret; new paragraphs are list items when
  /// the caret's is (listed), else as the editor says after the step.
  void Insert(const std::vector<std::u16string>& pieces, bool listed) {
    const int p = m_.Para;
    std::u16string& s = m_.Paras[static_cast<size_t>(p)];
    const std::u16string tail = s.substr(static_cast<size_t>(m_.Offs));
    s = s.substr(0, static_cast<size_t>(m_.Offs)) + pieces[0];
    const bool list = m_.List[static_cast<size_t>(p)] && listed;
    for (size_t k = 1; k < pieces.size(); ++k) {
      m_.Paras.insert(m_.Paras.begin() + p + static_cast<int>(k), pieces[k]);
      m_.List.insert(m_.List.begin() + p + static_cast<int>(k), list);
    }
    const int last = p + static_cast<int>(pieces.size()) - 1;
    m_.Offs = static_cast<int>(m_.Paras[static_cast<size_t>(last)].size());
    m_.Paras[static_cast<size_t>(last)] += tail;
    m_.Para = last;
  }

  bool Fits(size_t extra, size_t paras = 0) const {
    return m_.Paras[static_cast<size_t>(m_.Para)].size() + extra <= kMaxParaLength &&
           m_.Paras.size() + paras <= kMaxParas;
  }

  void Changed(const TModel& before) {
    undo_.push_back(before);
    redo_.clear();
  }

  void Key(int key, TLTShiftState keys = {}) {
    win_.SetKeys(keys);
    win_.Key(key);
    win_.SetKeys({});
  }

  /// A position of the model from two bytes.
  std::pair<int, int> Pos() {
    const int p = Next() % static_cast<int>(m_.Paras.size());
    return {p, Next() % (Len(p) + 1)};
  }

  /// One step; false when the caret is not the model's to check (after
  /// Undo and Redo, which put it where the editor keeps it).
  bool Step(std::string& what) {
    static constexpr char16_t kChars[] = u"ab cé.";
    const TModel before = m_;
    const uint8_t op = Next() % 20;
    switch (op) {
      case 0:
      case 1:
      case 2:
      case 3: {
        const char16_t c = kChars[Next() % 6];
        what = "type " + Utf16ToUtf8(std::u16string(1, c));
        if (!Fits(1)) return true;
        win_.Type(std::u16string_view(&c, 1));
        Insert({std::u16string(1, c)}, false);
        Changed(before);
        return true;
      }
      case 4: {
        what = "Backspace";
        const int p = m_.Para;
        if (m_.Offs == 0 && !m_.List[static_cast<size_t>(p)] && p > 0 &&
            Len(p - 1) + Len(p) > static_cast<int>(kMaxParaLength))
          return true;
        Key(vkBack);
        if (m_.Offs > 0) {
          Delete(p, m_.Offs - 1, p, m_.Offs);
        } else if (m_.List[static_cast<size_t>(p)]) {
          m_.List[static_cast<size_t>(p)] = false;
        } else if (p > 0) {
          Delete(p - 1, Len(p - 1), p, 0);
        } else {
          return true;
        }
        Changed(before);
        return true;
      }
      case 5: {
        what = "Delete";
        const int p = m_.Para;
        if (m_.Offs >= Len(p) && p + 1 < static_cast<int>(m_.Paras.size()) &&
            Len(p) + Len(p + 1) > static_cast<int>(kMaxParaLength))
          return true;
        Key(vkDelete);
        if (m_.Offs < Len(p)) {
          Delete(p, m_.Offs, p, m_.Offs + 1);
        } else if (p + 1 < static_cast<int>(m_.Paras.size())) {
          // An empty paragraph goes, and the next keeps what it was.
          const bool list = Len(p) == 0 && !m_.List[static_cast<size_t>(p)] ? m_.List[static_cast<size_t>(p) + 1]
                                                                            : m_.List[static_cast<size_t>(p)];
          Delete(p, m_.Offs, p + 1, 0);
          m_.List[static_cast<size_t>(p)] = list;
        } else if (Len(p) == 0 && p > 0 && !m_.List[static_cast<size_t>(p)]) {
          // An empty last paragraph goes as with Backspace.
          Delete(p - 1, Len(p - 1), p, 0);
        } else {
          return true;
        }
        Changed(before);
        return true;
      }
      case 6: {
        what = "Enter";
        if (!Fits(0, 1)) return true;
        Key(vkReturn);
        const int p = m_.Para;
        if (m_.List[static_cast<size_t>(p)] && Len(p) == 0) m_.List[static_cast<size_t>(p)] = false;
        Insert({u"", u""}, true);
        Changed(before);
        return true;
      }
      case 7:
      case 8: {
        const bool left = op == 7;
        what = left ? "Left" : "Right";
        Key(left ? vkLeft : vkRight);
        if (left) {
          if (m_.Offs > 0)
            --m_.Offs;
          else if (m_.Para > 0)
            m_.Offs = Len(--m_.Para);
        } else {
          if (m_.Offs < Len(m_.Para))
            ++m_.Offs;
          else if (m_.Para + 1 < static_cast<int>(m_.Paras.size()))
            m_.Offs = 0, ++m_.Para;
        }
        return true;
      }
      case 9:
      case 10: {
        const bool home = op == 9;
        const bool doc = Next() % 2 == 0;
        what = std::string(doc ? "ctrl+" : "") + (home ? "Home" : "End");
        Key(home ? vkHome : vkEnd, doc ? TLTShiftState{ssCtrl} : TLTShiftState{});
        if (doc) m_.Para = home ? 0 : static_cast<int>(m_.Paras.size()) - 1;
        m_.Offs = home ? 0 : Len(m_.Para);
        return true;
      }
      case 11: {
        const auto [p, o] = Pos();
        what = "caret " + std::to_string(p) + ":" + std::to_string(o);
        const auto [i, io] = ItemPos(p, o);
        e_.SetSelectionBounds(i, io, i, io);
        m_.Para = p;
        m_.Offs = o;
        return true;
      }
      case 12:
      case 13:
      case 14: {
        // A selection, then what is done with it.
        auto [p1, o1] = Pos();
        auto [p2, o2] = Pos();
        if (std::pair(p2, o2) < std::pair(p1, o1)) std::swap(p1, p2), std::swap(o1, o2);
        const auto [i1, j1] = ItemPos(p1, o1);
        const auto [i2, j2] = ItemPos(p2, o2);
        const std::string range =
            std::to_string(p1) + ":" + std::to_string(o1) + "-" + std::to_string(p2) + ":" + std::to_string(o2);
        // A join of two long paragraphs would wrap, which the model does not.
        const bool empty =
            (p1 == p2 && o1 == o2) || (op != 12 && o1 + Len(p2) - o2 >= static_cast<int>(kMaxParaLength));
        e_.SetSelectionBounds(i1, j1, i2, j2);
        if (op == 12) {
          what = "select " + range + ", copy";
          clip_ = Range(p1, o1, p2, o2);
          if (!empty) e_.CopyDefault();
          e_.SetSelectionBounds(i2, j2, i2, j2);
          m_.Para = p2;
          m_.Offs = o2;
          if (empty) clip_.clear();
          return true;
        }
        // What is not done leaves the caret at the selection's end.
        auto skip = [this, ei = i2, eo = j2, ep = p2, eoffs = o2] {
          e_.SetSelectionBounds(ei, eo, ei, eo);
          m_.Para = ep, m_.Offs = eoffs;
          return true;
        };
        if (op == 13) {
          what = "select " + range + ", cut";
          if (empty) return skip();
          clip_ = Range(p1, o1, p2, o2);
          e_.CutCommand();
        } else {
          bool type = Next() % 2 == 1;
          what = "select " + range + (type ? ", type X" : ", Backspace");
          if (empty) return skip();
          if (type) {
            win_.Type(u"X");
            Delete(p1, o1, p2, o2);
            Changed(before);
            // Typing over a selection is two steps: the deletion, then the
            // character.
            const TModel deleted = m_;
            Insert({u"X"}, false);
            Changed(deleted);
            return true;
          }
          Key(vkBack);
        }
        Delete(p1, o1, p2, o2);
        Changed(before);
        return true;
      }
      case 15: {
        what = "paste";
        size_t chars = 0;
        for (const std::u16string& s : clip_) chars = std::max(chars, s.size());
        if (clip_.empty() || !Fits(chars + 1, clip_.size())) return true;
        e_.PasteCommand();
        Insert(clip_, false);
        // Whether pasted paragraphs are list items is the copy's business.
        const TModel now = Read();
        if (now.List.size() == m_.List.size())
          for (int k = before.Para + 1; k <= m_.Para; ++k)
            m_.List[static_cast<size_t>(k)] = now.List[static_cast<size_t>(k)];
        Changed(before);
        return true;
      }
      case 16: {
        what = "insert text \"x\\ny\"";
        if (!Fits(2, 1)) return true;
        e_.InsertText(u"x\ny");
        Insert({u"x", u"y"}, true);
        Changed(before);
        return true;
      }
      case 17: {
        what = "undo";
        e_.Undo();
        if (!undo_.empty()) {
          redo_.push_back(m_);
          m_ = undo_.back();
          undo_.pop_back();
        }
        return false;
      }
      case 18: {
        what = "redo";
        e_.Redo();
        if (!redo_.empty()) {
          undo_.push_back(m_);
          m_ = redo_.back();
          redo_.pop_back();
        }
        return false;
      }
      default: {
        what = "insert word \"tag\" with a tag";
        if (!Fits(3)) return true;
        // A tagged item stays an item of its own: the model sees its text.
        e_.InsertTextWithTag(u"tag", TLTTag::FromInt(1));
        Insert({u"tag"}, false);
        Changed(before);
        return true;
      }
    }
  }

  TLTStyle style_;
  TLTHeadlessWindow win_{2000, 400};
  TLecternEdit e_{win_};
  TModel m_;
  std::vector<TModel> undo_, redo_;
  std::vector<std::u16string> clip_;
  std::string_view program_;
  size_t at_ = 0;
};

}  // namespace lectern::testing
