// The background word checker.
//
// Design notes. Two threads share the document: the user-interface thread,
// which owns and changes it, and the worker, which only reads it. The
// handshake is one mutex and one condition variable in TShared:
//  - the worker runs a step (one word) only while State is running, it is
//    not idle at the end of the document and not delaying; it checks that
//    under the lock before every step;
//  - Stop sets State to stop-requested and waits on the condition until the
//    worker acknowledges (stopped) or idles, running the worker's pending
//    request meanwhile: the worker never waits for anything but that
//    request, so the two cannot deadlock, and no input handler runs inside
//    Stop (no event loop is entered);
//  - while delaying (after an edit) the worker touches nothing of the
//    document and checks the state again before it leaves the delay, so
//    Stop need not wait then.
// The worker never writes to the document: misspellings, cleared marks and
// checked bits are collected and handed over in batches through its own
// synchronize request, which the user-interface thread runs from a posted
// wake-up or from Stop. A batch is always handed over before the worker
// acknowledges a stop, so every position in it is still valid.
//
// After changes the walk's levels are checked by pointer only (a cell the
// worker stood in may have been freed) before anything is read again.

#include "spell/LTThread.h"

#include "model/LTItem.h"

#include <algorithm>
#include <chrono>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace lectern {

bool LTApostropheInWords = true;
std::function<bool(const std::u16string& text, bool& isAddress)> LTIsAddressHook;

namespace {

constexpr auto kTypingPause = std::chrono::milliseconds(50);
/// A batch of mark changes goes over when it is this large or this old.
constexpr size_t kBatchOps = 512;
constexpr auto kBatchAge = std::chrono::milliseconds(30);
constexpr uint8_t kCheckedBit = 1;
constexpr uint8_t kSymbolCharset = 2;

bool IsApostrophe(char16_t c) { return c == u'\'' || c == u'\u2019'; }

bool StartsWith(const std::u16string& s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && std::u16string_view(s).substr(0, prefix.size()) == prefix;
}

constexpr int kLowestNice = 19;

int ThreadId() {
#ifdef __linux__
  return static_cast<int>(syscall(SYS_gettid));
#else
  return 0;
#endif
}

int CurrentNice() {
#ifdef __linux__
  return getpriority(PRIO_PROCESS, 0);
#else
  return 0;
#endif
}

/// Sets the niceness of thread tid. Raising the priority again needs the
/// right to (root, CAP_SYS_NICE or RLIMIT_NICE); without it the worker
/// stays low, which costs only waiting time.
void SetNice(int tid, int nice) {
#ifdef __linux__
  if (tid > 0) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
#else
  (void)tid;
  (void)nice;
#endif
}

/// The sub-document of owner after which cursor stands at target, with the
/// cursor there; null when owner has no such sub-document.
TCustomLTData* FindSubDoc(TCustomLTItemInfo& owner, const TCustomLTData* target,
                          std::unique_ptr<TLTSubDocCursor>& cursor) {
  for (TCustomLTData* sub = owner.GetSubDocument(cursor, ltsdFirst); sub; sub = owner.GetSubDocument(cursor, ltsdNext))
    if (sub == target) return sub;
  return nullptr;
}

bool Reaches(TCustomLTData& data, const TCustomLTData* target) {
  for (int i = 0; i < data.ItemCount(); ++i) {
    TCustomLTItemInfo& item = data.GetItem(i);
    if (item.IsText()) continue;
    std::unique_ptr<TLTSubDocCursor> cursor;
    for (TCustomLTData* sub = item.GetSubDocument(cursor, ltsdFirst); sub; sub = item.GetSubDocument(cursor, ltsdNext))
      if (sub == target || Reaches(*sub, target)) return true;
  }
  return false;
}

}  // namespace

bool LTIsAddress(const std::u16string& text) {
  if (LTIsAddressHook) {
    bool is = false;
    if (LTIsAddressHook(text, is)) return is;
  }
  std::u16string lower = text;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  static constexpr std::u16string_view kPrefixes[] = {u"http://", u"ftp://",   u"file://", u"gopher://",
                                                      u"mailto:", u"https://", u"news:",   u"telnet:",
                                                      u"wais:",   u"www.",     u"ftp."};
  for (std::u16string_view p : kPrefixes)
    if (StartsWith(lower, p)) return true;
  const size_t at = lower.find(u'@');
  const size_t dot = lower.rfind(u'.');
  return at != std::u16string::npos && dot != std::u16string::npos && at < dot;
}

bool LTNextWord(std::u16string_view text, size_t& pos, std::u16string_view delimiters, size_t& start, size_t& length,
                const std::function<bool(size_t)>& skipMarked) {
  auto ends = [&](char16_t c) { return c == u'&' || delimiters.find(c) != std::u16string_view::npos; };
  auto isDelimiter = [&](char16_t c) { return ends(c) || (LTApostropheInWords && IsApostrophe(c)); };
  for (;;) {
    while (pos < text.size() && text[pos] != 0 && isDelimiter(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] == 0) return false;
    start = pos;
    while (pos < text.size() && text[pos] != 0) {
      const char16_t c = text[pos];
      // An apostrophe between letters belongs to the word (don't, it's).
      if (LTApostropheInWords && IsApostrophe(c)) {
        const char16_t next = pos + 1 < text.size() ? text[pos + 1] : u'\0';
        if (next == 0 || isDelimiter(next)) break;
      } else if (ends(c)) {
        break;
      }
      ++pos;
    }
    length = pos - start;
    if (skipMarked && skipMarked(start)) continue;
    return true;
  }
}

void RegisterWordChecking() {
  SetWordEnumThreadFactory([](TCustomLectern& control) -> std::unique_ptr<ILTWordEnumThread> {
    return std::make_unique<TLTWordEnumThread>(control);
  });
}

// ---- The shared handshake --------------------------------------------------------------------------

void TLTWordEnumThread::TShared::RunRequest(std::unique_lock<std::mutex>& lock) {
  if (!Request || Running) return;
  const std::function<void()>* call = Request;
  Running = true;
  lock.unlock();
  try {
    (*call)();
  } catch (...) {
    // A mark that cannot be made is not worth stopping the program for.
  }
  lock.lock();
  Running = false;
  Request = nullptr;
  Changed.notify_all();
}

// ---- TLTWordEnumThread -------------------------------------------------------------------------------

TLTWordEnumThread::TLTWordEnumThread(TCustomLectern& control) : control_(control), normalNice_(CurrentNice()) {
  ResetPosition();
  thread_ = std::thread([this] { Execute(); });
}

TLTWordEnumThread::~TLTWordEnumThread() {
  {
    std::unique_lock<std::mutex> lock(shared_->Lock);
    if (shared_->State != stFinished) WaitStopped(lock);
    shared_->Terminated = true;
    shared_->Changed.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

void TLTWordEnumThread::WaitStopped(std::unique_lock<std::mutex>& lock) {
  TShared& s = *shared_;
  if (s.Idle || s.State == stStopped || s.State == stFinished) return;
  s.State = stStopRequested;
  s.Changed.notify_all();
  if (s.Delaying) return;
  // A machine busy elsewhere must not keep the user waiting for the
  // lowest-priority thread.
  SetNice(s.Tid, normalNice_);
  while (s.State == stStopRequested && !s.Idle && !s.Terminated) {
    if (s.Request)
      s.RunRequest(lock);
    else
      s.Changed.wait(lock);
  }
  SetNice(s.Tid, kLowestNice);
}

void TLTWordEnumThread::WakeLocked() {
  shared_->Idle = false;
  shared_->State = stRunning;
  delimiters_ = control_.Delimiters;
  check_ = control_.OnSpellingCheck;
  shared_->Changed.notify_all();
}

void TLTWordEnumThread::Restart(bool run) {
  Stop(true);
  ResetPosition();
  uncheckedOnly_ = modifiedWord_ = restart_ = false;
  pending_.clear();
  std::lock_guard<std::mutex> lock(shared_->Lock);
  shared_->Delaying = false;
  if (run) WakeLocked();
}

void TLTWordEnumThread::Stop(bool reset) {
  {
    std::unique_lock<std::mutex> lock(shared_->Lock);
    if (shared_->State == stFinished) return;
    WaitStopped(lock);
  }
  if (reset) {
    queuedData_ = nullptr;
    queuedItem_ = -1;
    ValidatePosition();
    const TFrame& f = frames_.back();
    if (f.ItemNo < f.Data->ItemCount()) f.Data->GetItem(f.ItemNo).ClearWordMarks();
  }
  started_ = false;
}

void TLTWordEnumThread::ResumeDelayed() {
  ApplyQueuedPosition();
  std::lock_guard<std::mutex> lock(shared_->Lock);
  if (shared_->State == stFinished) return;
  shared_->Delaying = true;
  shared_->EditedWhileDelaying = true;
  WakeLocked();
}

void TLTWordEnumThread::Resume() {
  ApplyQueuedPosition();
  std::lock_guard<std::mutex> lock(shared_->Lock);
  if (shared_->State == stFinished) return;
  WakeLocked();
}

void TLTWordEnumThread::QueuePosition(TCustomLTData& data, int itemNo, int offset) {
  if (queuedItem_ < 0 || queuedData_ != &data || itemNo < queuedItem_ ||
      (itemNo == queuedItem_ && offset < queuedOffs_)) {
    queuedData_ = &data;
    queuedItem_ = itemNo;
    queuedOffs_ = offset;
  }
}

void TLTWordEnumThread::ApplyQueuedPosition() {
  ValidatePosition();
  TCustomLTData* data = queuedData_;
  const int itemNo = std::max(queuedItem_, 0);
  const int offset = queuedOffs_;
  const bool queued = queuedItem_ >= 0;
  queuedData_ = nullptr;
  queuedItem_ = -1;
  const bool restart = restart_;
  restart_ = false;
  if (!queued || !IsReachable(data)) {
    if (restart) ResetPosition();
    return;
  }
  int c = 1;
  if (!restart) {
    try {
      c = frames_.back().Data->ComparePositions(frames_.back().ItemNo, *data, itemNo);
    } catch (const std::exception&) {
      c = 1;
    }
  }
  if (c < 0) return;
  if (!PositionAt(*data, itemNo)) {
    ResetPosition();
    return;
  }
  started_ = false;
  if (itemNo >= data->ItemCount()) return;
  TCustomLTItemInfo& item = data->GetItem(itemNo);
  if (c > 0 && offset > 1 && item.IsText()) {
    // Back to the start of the changed word; the marks from there on are
    // found again.
    text_ = SkipsText(*data, itemNo) ? std::u16string() : data->GetItemTextW(itemNo);
    size_t p = std::min(static_cast<size_t>(offset - 1), text_.size());
    if (p > 0) --p;
    auto delimiter = [&](char16_t ch) {
      return ch == u'&' || delimiters_.find(ch) != std::u16string::npos || (LTApostropheInWords && IsApostrophe(ch));
    };
    while (p > 0 && !delimiter(text_[p - 1])) --p;
    textPos_ = p;
    item.ClearWordMarksFrom(static_cast<int>(p) + 1);
    started_ = true;
  } else if (c == 0 && !uncheckedOnly_) {
    item.ClearWordMarks();
  }
}

bool TLTWordEnumThread::IsBefore(const TCustomLTData& data, int itemNo) const {
  try {
    return frames_.back().Data->ComparePositions(frames_.back().ItemNo, data, itemNo) < 0;
  } catch (const std::exception&) {
    return false;
  }
}

void TLTWordEnumThread::CellGone(const TCustomLTData& data) {
  for (const TFrame& f : frames_)
    if (f.Data == &data) restart_ = true;
  if (queuedData_ == &data) {
    queuedData_ = nullptr;
    queuedItem_ = -1;
  }
}

bool TLTWordEnumThread::Synchronize() {
  std::unique_lock<std::mutex> lock(shared_->Lock);
  shared_->RunRequest(lock);
  return shared_->Idle || shared_->State == stStopped || shared_->State == stFinished;
}

// ---- The walk's position (user-interface thread, worker stopped) ------------------------------------

void TLTWordEnumThread::ResetPosition() {
  frames_.clear();
  frames_.push_back({&control_.LTData(), 0, nullptr, nullptr});
  started_ = false;
}

bool TLTWordEnumThread::IsReachable(const TCustomLTData* data) const {
  if (!data) return false;
  TCustomLTData& root = *frames_.front().Data;
  return data == &root || Reaches(root, data);
}

bool TLTWordEnumThread::PositionAt(TCustomLTData& data, int itemNo) {
  std::vector<TFrame> chain;
  TCustomLTData* root = frames_.front().Data;
  for (TCustomLTData* c = &data; c != root; c = c->GetParentData()) {
    TCustomLTData* parent = c->GetParentData();
    TCustomLTItemInfo* owner = c->GetOwnerItem();
    if (!parent || !owner) return false;
    TFrame f{c, 0, owner, nullptr};
    if (!FindSubDoc(*owner, c, f.Cursor)) return false;
    chain.push_back(std::move(f));
  }
  std::reverse(chain.begin(), chain.end());
  frames_.resize(1);
  for (TFrame& f : chain) {
    TCustomLTData& parent = *frames_.back().Data;
    const int ownerIndex = parent.FindItemIndex(f.Owner);
    if (ownerIndex < 0) return false;
    frames_.back().ItemNo = ownerIndex;
    frames_.push_back(std::move(f));
  }
  frames_.back().ItemNo = itemNo;
  return true;
}

void TLTWordEnumThread::ValidatePosition() {
  for (size_t k = 1; k < frames_.size(); ++k) {
    TFrame& parent = frames_[k - 1];
    TFrame& f = frames_[k];
    // Compared by address only until found again: the cell may be gone.
    bool ok = parent.ItemNo < parent.Data->ItemCount() && &parent.Data->GetItem(parent.ItemNo) == f.Owner;
    std::unique_ptr<TLTSubDocCursor> cursor;
    ok = ok && FindSubDoc(*f.Owner, f.Data, cursor);
    if (!ok) {
      frames_.resize(k);
      started_ = false;
      restart_ = true;
      return;
    }
    f.Cursor = std::move(cursor);
  }
}

// ---- The worker thread --------------------------------------------------------------------------------

void TLTWordEnumThread::Execute() {
  TShared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.Lock);
    s.Tid = ThreadId();
  }
  SetNice(ThreadId(), kLowestNice);
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(s.Lock);
      for (;;) {
        if (s.Terminated) {
          s.State = stFinished;
          s.Changed.notify_all();
          return;
        }
        if (s.Delaying) {
          // Waits until a pause passes without an edit.
          s.EditedWhileDelaying = false;
          s.Changed.wait_until(lock, std::chrono::steady_clock::now() + kTypingPause, [&] { return s.Terminated; });
          if (!s.EditedWhileDelaying) s.Delaying = false;
          continue;
        }
        if (s.State == stStopRequested) {
          if (!pending_.empty()) {
            lock.unlock();
            Flush();
            lock.lock();
            continue;
          }
          s.State = stStopped;
          s.Changed.notify_all();
          continue;
        }
        if (s.State == stRunning && !s.Idle) break;
        s.Changed.wait(lock);
      }
    }
    bool more = true;
    try {
      more = Step();
    } catch (const std::exception&) {
      // An item that cannot be read is passed over.
      started_ = false;
      NextItem();
    }
    if (!more) {
      Flush();
      std::lock_guard<std::mutex> lock(s.Lock);
      if (s.State == stRunning) {
        s.Idle = true;
        s.Changed.notify_all();
      }
    }
  }
}

bool TLTWordEnumThread::Step() {
  TFrame& f = frames_.back();
  if (f.ItemNo >= f.Data->ItemCount()) {
    if (frames_.size() == 1) return false;
    if (TCustomLTData* next = f.Owner->GetSubDocument(f.Cursor, ltsdNext)) {
      f.Data = next;
      f.ItemNo = 0;
    } else {
      frames_.pop_back();
      NextItem();
    }
    started_ = false;
    return true;
  }
  TCustomLTItemInfo& item = f.Data->GetItem(f.ItemNo);
  if (!item.IsText()) {
    std::unique_ptr<TLTSubDocCursor> cursor;
    if (TCustomLTData* sub = item.GetSubDocument(cursor, ltsdFirst)) {
      frames_.push_back({sub, 0, &item, std::move(cursor)});
      started_ = false;
    } else {
      NextItem();
    }
    return true;
  }
  if (!uncheckedOnly_ && (item.RuntimeState & kCheckedBit) != 0) {
    NextItem();
    return true;
  }
  if (!started_) StartItem(*f.Data, f.ItemNo, !uncheckedOnly_);
  size_t start = 0, length = 0;
  std::function<bool(size_t)> skip;
  if (uncheckedOnly_) skip = [&item](size_t at) { return item.IsMisspelledAt(static_cast<int>(at) + 1); };
  if (LTNextWord(text_, textPos_, delimiters_, start, length, skip)) {
    bool misspelled = false;
    if (check_) check_(control_, text_.substr(start, length), f.Data->GetItemStyle(f.ItemNo), misspelled);
    if (misspelled)
      Push({TMarkOp::Misspelling, f.Data, f.ItemNo, static_cast<int>(start) + 1, static_cast<int>(length)});
    return true;
  }
  Push({TMarkOp::Checked, f.Data, f.ItemNo, 0, 0});
  uncheckedOnly_ = false;
  NextItem();
  if (pending_.size() >= kBatchOps || std::chrono::steady_clock::now() - pendingSince_ > kBatchAge) Flush();
  return true;
}

void TLTWordEnumThread::NextItem() {
  ++frames_.back().ItemNo;
  started_ = false;
}

void TLTWordEnumThread::StartItem(TCustomLTData& data, int itemNo, bool clearMarks) {
  const TCustomLTItemInfo& item = data.GetItem(itemNo);
  text_ = data.GetItemTextW(itemNo);
  const bool skipped = SkipsText(data, itemNo);
  if (skipped) text_.clear();
  if ((skipped || clearMarks) && item.MarkList) Push({TMarkOp::Clear, &data, itemNo, 0, 0});
  textPos_ = 0;
  started_ = true;
}

bool TLTWordEnumThread::SkipsText(const TCustomLTData& data, int itemNo) const {
  const TLTStyle* style = data.GetStyle();
  if (!style) return false;
  const int32_t styleNo = data.GetItemStyle(itemNo);
  const TFontInfo& font = style->TextStyles()[styleNo];
  if (font.Charset == kSymbolCharset) return true;
  return font.Jump && LTIsAddress(text_);
}

void TLTWordEnumThread::Push(const TMarkOp& op) {
  if (pending_.empty()) pendingSince_ = std::chrono::steady_clock::now();
  pending_.push_back(op);
}

void TLTWordEnumThread::Flush() {
  if (pending_.empty()) return;
  std::vector<TMarkOp> ops;
  ops.swap(pending_);
  SynchronizeCall([this, &ops] { ApplyOps(ops); });
}

void TLTWordEnumThread::SynchronizeCall(const std::function<void()>& call) {
  TShared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.Lock);
  if (s.Terminated) return;
  s.Request = &call;
  s.Changed.notify_all();
  lock.unlock();
  control_.Window().PostFromThread([weak = std::weak_ptr<TShared>(shared_)] {
    if (std::shared_ptr<TShared> shared = weak.lock()) {
      std::unique_lock<std::mutex> l(shared->Lock);
      shared->RunRequest(l);
    }
  });
  lock.lock();
  s.Changed.wait(lock, [&] { return s.Request == nullptr || s.Terminated; });
}

void TLTWordEnumThread::ApplyOps(const std::vector<TMarkOp>& ops) {
  for (const TMarkOp& op : ops) {
    if (op.ItemNo < 0 || op.ItemNo >= op.Data->ItemCount()) continue;
    TCustomLTItemInfo& item = op.Data->GetItem(op.ItemNo);
    switch (op.Kind) {
      case TMarkOp::Clear:
        if (!item.MarkList) break;
        item.ClearWordMarks();
        control_.InvalidateWord(*op.Data, op.ItemNo, 1, item.TextLength());
        break;
      case TMarkOp::Misspelling:
        item.AddMisspelling(op.Offset, op.Length);
        control_.InvalidateWord(*op.Data, op.ItemNo, op.Offset, op.Length);
        break;
      case TMarkOp::Checked:
        item.RuntimeState |= kCheckedBit;
        break;
    }
  }
}

}  // namespace lectern
