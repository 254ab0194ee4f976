#pragma once
// Undo and redo of the main window's work, and the recovery copy that lets that work survive
// a crash. UI thread only.
//
// Every command that changes the work (the grid, the pattern name, the tempo, the loop count,
// the play list, the song title) opens an UndoStep at its start:
//
//     const UndoStep step(*this, "Clear Pattern");
//
// When the outermost step of a command ends, the work is compared with what it was; a change
// becomes one entry of the history, however many cells it touched. Commands run from inside
// another (the loop box's change command run by Clear Pattern) belong to the outer one.
//
// The history keeps at most kUndoLimit steps; the oldest go first. Each step holds the work
// before and after it, and neighbouring steps share the value they have in common, so the
// history holds at most 2 x kUndoLimit + 1 copies of the work whatever the session's length: for
// a 64-step pattern (some 470 short texts) about 3 MB at the very most.
//
// Within about a second of a change the work goes to the recovery copy in the temp directory,
// written by a thread of its own so that a slow disk never delays a playback step. A clean
// exit removes the copy; at the next start a copy left behind is offered back.

#include <QObject>
#include <QTimer>
#include <QUndoStack>

#include <memory>
#include <optional>

#include "platform/BackgroundWriter.h"
#include "song/WorkState.h"

namespace valdorin {

class TSequence;

// A command that runs because a control has already changed: the value it reacts to is taken
// from before the change, and its steps follow each other into one (typing a name, dragging
// the tempo bar).
enum class Reacting { None, PatternName, Tempo, LoopCount, SongTitle };

class WorkHistory : public QObject {
    Q_OBJECT
  public:
    static constexpr int kUndoLimit = 100;
    static constexpr int kRecoveryDelayMs = 1000;
    static constexpr const char* kRestoreQuestion =
        "Restore the work that was not saved when Valdorin last ended?";
    static constexpr const char* kDamagedNotice =
        "The work kept from the last session was damaged and has been discarded.";

    explicit WorkHistory(TSequence& seq);
    ~WorkHistory() override;

    QUndoStack& Stack() { return stack_; }

    // The work as the main window shows it, and the work put back into the window.
    song::WorkState Capture() const;
    void Apply(const song::WorkState& state);

    // From now on commands are recorded; the work as it stands is the unchanged work.
    void Begin();
    // At start-up, once the main window is up: offers back the work a copy holds, or says
    // that the copy was damaged. Recovery copies are written only after this.
    void OfferRecovery();
    // The program ends cleanly: no copy stays behind.
    void EndCleanly();

    fs::Path RecoveryPath() const;
    // Writes the copy at once, if a change is waiting for it, and waits for the disk.
    void FlushRecovery();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class UndoStep;
    friend class WorkStep;
    using Shared = std::shared_ptr<const song::WorkState>;

    Shared share(song::WorkState state);
    Shared stateBefore(Reacting reacting);
    void record(const QString& text, Reacting reacting, Shared before) noexcept;
    void scheduleRecovery();
    void writeRecovery();

    TSequence& seq_;
    QUndoStack stack_;
    QTimer recoveryTimer_;
    std::unique_ptr<fs::BackgroundWriter> writer_;
    Shared last_;  // the work after the last recorded command or undo
    int depth_ = 0;
    bool recording_ = false;
    bool restoring_ = false;
    bool recoveryReady_ = false;
    bool changeWaiting_ = false;
    bool writeErrorShown_ = false;
};

class UndoStep {
  public:
    UndoStep(TSequence& seq, const char* text, Reacting reacting = Reacting::None);
    ~UndoStep();
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

  private:
    WorkHistory* history_ = nullptr;  // null when this step records nothing
    bool outer_ = false;
    const char* text_;
    Reacting reacting_;
    std::shared_ptr<const song::WorkState> before_;
};

}  // namespace valdorin
