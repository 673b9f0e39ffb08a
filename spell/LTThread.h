#pragma once
// The background word checker: a worker thread that walks a control's
// document item by item and word by word, into table cells and notes, asks
// the control's OnSpellingCheck about every word and has the misspelled ones
// marked.

#include "view/CLectern.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lectern {

/// Whether U+0027 and U+2019 belong to a word when a letter follows them
/// (on by default). Set it before checking starts.
extern bool LTApostropheInWords;

/// Decides alone whether a hyperlink's text is an address (true) before
/// the built-in prefixes are tried; unset by default. Called on the worker
/// thread.
extern std::function<bool(const std::u16string& text, bool& isAddress)> LTIsAddressHook;

/// Whether a text looks like an address or an e-mail address.
bool LTIsAddress(const std::u16string& text);

/// The next word of text from position pos (0-based; moved past the word):
/// its 0-based start and length; false at the end. delimiters are the
/// control's; "&" always ends a word. With skipMarked, a word whose first
/// character satisfies marked is passed over whole.
bool LTNextWord(std::u16string_view text, size_t& pos, std::u16string_view delimiters, size_t& start, size_t& length,
                const std::function<bool(size_t)>& skipMarked = {});

/// Registers the worker with the controls: StartWordChecking creates it.
void RegisterWordChecking();

/// The worker of one control. All public operations run on the
/// user-interface thread; the worker reads the document only while it
/// runs, and the editor stops it (Stop waits for the acknowledgement)
/// before every change. Marks and checked bits it finds are handed to the
/// user-interface thread in batches through its own synchronize queue.
class TLTWordEnumThread final : public ILTWordEnumThread {
 public:
  explicit TLTWordEnumThread(TCustomLectern& control);
  /// Terminates: hands over what was found, then ends and joins the thread.
  ~TLTWordEnumThread() override;
  TLTWordEnumThread(const TLTWordEnumThread&) = delete;
  TLTWordEnumThread& operator=(const TLTWordEnumThread&) = delete;

  void Restart(bool run) override;
  void Stop(bool reset) override;
  void ResumeDelayed() override;
  void Resume() override;
  void QueuePosition(TCustomLTData& data, int itemNo, int offset) override;
  void ApplyQueuedPosition() override;
  bool IsBefore(const TCustomLTData& data, int itemNo) const override;
  bool ModifiedWord() const override { return modifiedWord_; }
  void SetModifiedWord(bool on) override { modifiedWord_ = on; }
  void SetUncheckedOnly(bool on) override { uncheckedOnly_ = on; }
  void CellGone(const TCustomLTData& data) override;
  bool Synchronize() override;

 private:
  enum TState : int { stRunning = 0, stStopRequested = 1, stStopped = 2, stFinished = 3 };
  /// One level of the walk: a container, the item in it, and for a
  /// sub-document the item that holds it and the cursor over its siblings.
  struct TFrame {
    TCustomLTData* Data = nullptr;
    int ItemNo = 0;
    TCustomLTItemInfo* Owner = nullptr;  // not owned; compared only after changes
    std::unique_ptr<TLTSubDocCursor> Cursor;
  };
  /// A change of marks found by the worker and made on the user-interface thread.
  struct TMarkOp {
    enum TKind : uint8_t { Clear, Misspelling, Checked } Kind;
    TCustomLTData* Data;
    int ItemNo;
    int Offset;
    int Length;
  };
  /// The requests of the worker to the user-interface thread: one at a
  /// time, the worker waiting for it. Shared with the posted wake-ups,
  /// which may run after the worker has gone.
  struct TShared {
    std::mutex Lock;
    std::condition_variable Changed;
    const std::function<void()>* Request = nullptr;
    bool Terminated = false;
    bool Running = false;  // the request is being run
    int Tid = 0;           // the worker's thread, for its priority
    int State = stStopped;
    bool Idle = false;  // suspended itself at the end of the document
    bool Delaying = false;
    bool EditedWhileDelaying = false;
    /// Runs the pending request on the calling (user-interface) thread;
    /// lock is held and released around the call.
    void RunRequest(std::unique_lock<std::mutex>& lock);
  };

  void Execute();
  /// One step of the walk; false when the document is done.
  bool Step();
  void NextItem();
  void StartItem(TCustomLTData& data, int itemNo, bool clearMarks);
  void Push(const TMarkOp& op);
  /// Whether the item's text is not to be checked (an address in a
  /// hyperlink style, symbol text).
  bool SkipsText(const TCustomLTData& data, int itemNo) const;
  /// Waits until the user-interface thread has run call.
  void SynchronizeCall(const std::function<void()>& call);
  /// Hands the pending mark changes over.
  void Flush();
  void ApplyOps(const std::vector<TMarkOp>& ops);
  /// Stops and waits for the acknowledgement, running requests meanwhile.
  void WaitStopped(std::unique_lock<std::mutex>& lock);
  void WakeLocked();
  /// Puts the walk at the start of the document.
  void ResetPosition();
  /// Rebuilds the walk's levels down to data (which must be reachable from
  /// the root); false when it is not.
  bool PositionAt(TCustomLTData& data, int itemNo);
  /// Checks that every level still stands in the document after changes
  /// (a cell may have gone); resets the walk when one does not.
  void ValidatePosition();
  /// Whether data is a container of the document, found by pointer only.
  bool IsReachable(const TCustomLTData* data) const;

  TCustomLectern& control_;  // not owned: the control owns the worker
  /// The priority the worker gets while the user-interface thread waits for it.
  int normalNice_ = 0;
  std::shared_ptr<TShared> shared_ = std::make_shared<TShared>();
  std::thread thread_;

  // Read and written by the worker while it runs, and by the
  // user-interface thread only while it is stopped.
  std::vector<TFrame> frames_;
  bool started_ = false;
  std::u16string text_;
  size_t textPos_ = 0;
  bool uncheckedOnly_ = false;
  bool restart_ = false;
  bool modifiedWord_ = false;
  std::vector<TMarkOp> pending_;
  std::chrono::steady_clock::time_point pendingSince_;
  // Copies of the control's settings, taken while the worker is stopped.
  std::u16string delimiters_;
  std::function<void(TCustomLectern&, const TLTString&, int32_t, bool&)> check_;

  // Only on the user-interface thread.
  TCustomLTData* queuedData_ = nullptr;
  int queuedItem_ = -1;
  int queuedOffs_ = 0;
};

}  // namespace lectern
