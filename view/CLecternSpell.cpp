// The control's side of background word checking: starting and stopping
// the worker, telling it where the document changed, and the repaint of a
// word it marked. The worker walks the document on a thread of its own and
// hands every change of marks back to this thread; the editor stops it
// before every change of the document.

#include "view/CLectern.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace lectern {

namespace {

TLTWordEnumThreadFactory& Factory() {
  static TLTWordEnumThreadFactory factory = nullptr;
  return factory;
}

void ClearAllMarks(TCustomLTData& root) {
  root.EnumerateItems([](TCustomLTData& data, int itemNo, bool&) { data.GetItem(itemNo).ClearWordMarks(); });
}

}  // namespace

void SetWordEnumThreadFactory(TLTWordEnumThreadFactory factory) { Factory() = factory; }
TLTWordEnumThreadFactory WordEnumThreadFactory() { return Factory(); }

void TCustomLectern::StartWordChecking() {
  if ((ControlFlags & ltcfControlDocument) == 0 || !OnSpellingCheck || !Style() || !Factory()) return;
  if (wordThread_)
    wordThread_->Stop(true);
  else
    wordThread_ = Factory()(*this);
  if (!wordThread_) return;
  ClearAllMarks(LTData());
  Window().InvalidateAll();
  wordThread_->Restart(!wordPaused_);
}

void TCustomLectern::StopWordChecking() {
  if (!wordThread_) return;
  wordThread_.reset();
  wordResumeDelayed_ = false;
  ClearAllMarks(LTData());
  Window().InvalidateAll();
}

void TCustomLectern::PauseWordChecking() {
  if (wordPaused_) return;
  // Paused even without a worker: one started meanwhile waits for the end
  // of the pause as well.
  wordPaused_ = true;
  if (wordThread_) wordThread_->Stop(false);
}

void TCustomLectern::ResumeWordChecking() {
  if (!wordPaused_) return;
  wordPaused_ = false;
  const bool delayed = wordResumeDelayed_;
  wordResumeDelayed_ = false;
  if (!wordThread_) return;
  if (delayed)
    wordThread_->ResumeDelayed();
  else
    wordThread_->Resume();
}

void TCustomLectern::ResumeWordCheckingDelayed() {
  if (wordPaused_)
    wordResumeDelayed_ = true;
  else
    wordThread_->ResumeDelayed();
}

void TCustomLectern::PauseAndDelay() {
  if (!wordThread_) return;
  wordThread_->Stop(false);
  ResumeWordCheckingDelayed();
}

void TCustomLectern::WordModifiedAt(TCustomLTData& data, int itemNo) {
  if (!wordThread_ || !wordThread_->ModifiedWord()) return;
  wordThread_->Stop(true);
  wordThread_->SetModifiedWord(false);
  wordThread_->SetUncheckedOnly(true);
  wordThread_->QueuePosition(data, itemNo, 0);
  ResumeWordCheckingDelayed();
}

void TCustomLectern::ReportModifiedWord(TCustomLTData& data, int itemNo) {
  if (!wordThread_) return;
  wordThread_->SetModifiedWord(false);
  if (wordThread_->IsBefore(data, itemNo)) return;
  if (itemNo >= 0 && itemNo < data.ItemCount()) data.GetItem(itemNo).ClearWordMarks();
  wordThread_->QueuePosition(data, itemNo, 0);
  wordThread_->ApplyQueuedPosition();
}

void TCustomLectern::TextChangedAt(TCustomLTData& data, int itemNo, int offset, bool dropMarks) {
  if (dropMarks && itemNo >= 0 && itemNo < data.ItemCount()) data.GetItem(itemNo).ClearWordMarksFrom(offset - 1);
  if (wordThread_) wordThread_->QueuePosition(data, itemNo, offset);
}

void TCustomLectern::CellGone(const TCustomLTData& data) {
  if (wordThread_) wordThread_->CellGone(data);
}

bool TCustomLectern::WaitForWordChecking(int timeoutMs) {
  if (!wordThread_) return true;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!wordThread_->Synchronize()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

void TCustomLectern::InvalidateWord(TCustomLTData& data, int itemNo, int offset, int length) {
  auto* f = dynamic_cast<TCustomLTFormattedData*>(&data);
  if (!f) return;
  int first, firstOffs, last, lastOffs;
  if (!f->ItemToDrawItem(itemNo, offset, first, firstOffs) ||
      !f->ItemToDrawItem(itemNo, offset + length, last, lastOffs))
    return;
  if (last < first) std::swap(first, last);
  const TLTPointI origin = f == data_.get() ? TLTPointI{} : f->GetOriginInControl();
  const TLTSizeI client = Window().ClientSize();
  for (int d = std::max(first, 0); d <= last && d < f->DrawItems.Count(); ++d) {
    const TLTDrawLineInfo& piece = f->DrawItems[d];
    const TLTRectI r = TLTRectI{piece.Left, piece.Top, piece.Left + piece.Width, piece.Top + piece.Height}
                           .Moved(origin.X - ViewLeft(), origin.Y - ViewTop())
                           .Inflated(3);
    // A whole document's marks arrive at once: only what shows is repainted.
    if (!r.Intersected({0, 0, client.Width, client.Height}).IsEmpty()) Window().Invalidate(r);
  }
}

bool TCustomLectern::MisspellingAt(int x, int y, int& itemNo, int& start, int& length) {
  const TLTPointI p = ToContainer(*data_, x, y);
  int d, drawOffs, offs;
  if (!data_->HitTest(p.X, p.Y, true, d, drawOffs) || !data_->DrawItemToItem(d, drawOffs, itemNo, offs)) return false;
  const TCustomLTItemInfo& item = data_->GetItem(itemNo);
  // A click on the right half of a word's last character lands after it.
  return item.MisspellingAt(offs, start, length) || item.MisspellingAt(offs - 1, start, length);
}

}  // namespace lectern
