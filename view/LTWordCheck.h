#pragma once
// What a control asks of its background word checker. The checker itself
// lives in a layer above the editors (it walks table cells); the control
// and the editor reach it through this interface, and the layer that
// implements it registers its factory once (RegisterWordChecking there).
//
// Every operation is called on the user-interface thread.

#include <memory>

namespace lectern {

class TCustomLTData;
class TCustomLectern;

/// The worker that walks a control's document word by word. Destroying it
/// stops the thread and waits for it to end.
class ILTWordEnumThread {
 public:
  virtual ~ILTWordEnumThread() = default;
  /// From the start of the document, every flag and the queue cleared; at
  /// once with run, else with the next resume.
  virtual void Restart(bool run) = 0;
  /// Keeps the worker away from the document: returns once it has
  /// acknowledged (handing over the marks it found meanwhile) or while it
  /// only waits. With reset the queued position goes and the current item
  /// loses its marks.
  virtual void Stop(bool reset) = 0;
  /// Runs again once no edit came for a short while, from the queued
  /// position when it lies before the worker.
  virtual void ResumeDelayed() = 0;
  /// Runs again at once where it stood (nothing changed while it was stopped).
  virtual void Resume() = 0;
  /// Keeps the earliest changed position for the next resume.
  virtual void QueuePosition(TCustomLTData& data, int itemNo, int offset) = 0;
  /// Moves the worker back to the queued position when that lies before it.
  virtual void ApplyQueuedPosition() = 0;
  /// Whether the worker has not reached item itemNo of data yet.
  virtual bool IsBefore(const TCustomLTData& data, int itemNo) const = 0;
  /// The word at the caret was changed by typing and is checked again when
  /// the caret leaves it.
  virtual bool ModifiedWord() const = 0;
  virtual void SetModifiedWord(bool on) = 0;
  /// Walks only the words without a misspelling mark until the next item ends.
  virtual void SetUncheckedOnly(bool on) = 0;
  /// A sub-document is going: a worker inside it starts again from the top.
  virtual void CellGone(const TCustomLTData& data) = 0;
  /// Carries out what the worker handed over (marks); true when it has
  /// walked the whole document and waits.
  virtual bool Synchronize() = 0;
};

using TLTWordEnumThreadFactory = std::unique_ptr<ILTWordEnumThread> (*)(TCustomLectern& control);
/// The factory StartWordChecking uses; without one it does nothing.
void SetWordEnumThreadFactory(TLTWordEnumThreadFactory factory);
TLTWordEnumThreadFactory WordEnumThreadFactory();

}  // namespace lectern
