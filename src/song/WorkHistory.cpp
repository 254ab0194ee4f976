#include "song/WorkHistory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QUndoCommand>

#include <exception>
#include <filesystem>

#include "core/ProgramFiles.h"
#include "core/Sequencer.h"
#include "core/StringGrid.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"

namespace valdorin {

using platform::programText;
using platform::qtText;

// One entry of the history: the work before and after a command.
class WorkStep : public QUndoCommand {
  public:
    WorkStep(WorkHistory& history, const QString& text, Reacting reacting,
             WorkHistory::Shared before, WorkHistory::Shared after)
        : QUndoCommand(text),
          history_(history),
          reacting_(reacting),
          before_(std::move(before)),
          after_(std::move(after)) {}

    // Steps of the same reacting command follow each other into one.
    int id() const override {
        return reacting_ == Reacting::None ? -1 : static_cast<int>(reacting_);
    }
    bool mergeWith(const QUndoCommand* other) override {
        after_ = static_cast<const WorkStep*>(other)->after_;
        // Typed away and back again: nothing is left to undo.
        setObsolete(*after_ == *before_);
        return true;
    }
    void undo() override { history_.Apply(*before_); }
    void redo() override {
        // The first redo is the push itself, when the command has already done its work.
        if (pushed_)
            history_.Apply(*after_);
        pushed_ = true;
    }

  private:
    WorkHistory& history_;
    Reacting reacting_;
    WorkHistory::Shared before_;
    WorkHistory::Shared after_;
    bool pushed_ = false;
};

WorkHistory::WorkHistory(TSequence& seq) : seq_(seq) {
    stack_.setUndoLimit(kUndoLimit);
    recoveryTimer_.setSingleShot(true);
    recoveryTimer_.setInterval(kRecoveryDelayMs);
    connect(&recoveryTimer_, &QTimer::timeout, this, [this] { writeRecovery(); });
    // Ctrl+Z in a text box undoes the work too: the box's own typing is part of it. (Spin
    // boxes and drop-down lists hand the key to their text box themselves.)
    for (QWidget* box : seq_.findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(box) || qobject_cast<QAbstractSpinBox*>(box) ||
            qobject_cast<QComboBox*>(box))
            box->installEventFilter(this);
}

WorkHistory::~WorkHistory() = default;

song::WorkState WorkHistory::Capture() const {
    song::WorkState state;
    song::takeGrid(seq_.Grid, state);
    state.patternName = programText(seq_.Edit2->text());
    state.tempo = seq_.Delay->Position();
    state.savedGlobalTempo = seq_.SavedGlobalTempo;
    state.loopCount = seq_.Loop->value();
    state.playList.reserve(static_cast<std::size_t>(seq_.SongList->Count()));
    for (int i = 0; i < seq_.SongList->Count(); ++i)
        state.playList.push_back({seq_.SongList->Item(i), seq_.SongList->Checked(i)});
    state.songTitle = programText(seq_.Edit3->text());
    state.caption = programText(seq_.windowTitle());
    return state;
}

void WorkHistory::Apply(const song::WorkState& state) {
    {
        restoring_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{restoring_};
        // The box first: its change command writes the name cell, which the grid then sets.
        seq_.Edit2->setText(qtText(state.patternName));
        song::putGrid(state, seq_.Grid);
        seq_.StringGrid1->SetCurrent(seq_.StringGrid1->Col(), seq_.StringGrid1->Row());
        seq_.Delay->SetPosition(state.tempo);
        seq_.SavedGlobalTempo = state.savedGlobalTempo;
        seq_.TempoRefresh();
        if (seq_.Global->isChecked())
            seq_.DXTimer1.SetInterval(seq_.StepInterval);
        seq_.Loop->setValue(state.loopCount);
        const int selected = seq_.SongList->ItemIndex();
        seq_.SongList->clear();
        for (std::size_t i = 0; i < state.playList.size(); ++i) {
            seq_.SongList->Add(state.playList[i].name);
            seq_.SongList->SetChecked(static_cast<int>(i), state.playList[i].marked);
        }
        seq_.SongList->SetItemIndex(selected < seq_.SongList->Count() ? selected : -1);
        seq_.Edit3->setText(qtText(state.songTitle));
        seq_.setWindowTitle(qtText(state.caption));
    }
    last_ = share(Capture());
    scheduleRecovery();
}

void WorkHistory::Begin() {
    const fs::Path dir = seq_.ProgramDirectory.empty() ? std::filesystem::current_path()
                                                       : fs::pathFromText(seq_.ProgramDirectory);
    writer_ = std::make_unique<fs::BackgroundWriter>(dir / kTempDirName / kRecoveryFileName);
    stack_.clear();
    last_ = share(Capture());
    recording_ = true;
}

fs::Path WorkHistory::RecoveryPath() const {
    return writer_ ? writer_->path() : fs::Path();
}

void WorkHistory::OfferRecovery() {
    if (recoveryReady_ || !writer_)
        return;
    const fs::Path path = RecoveryPath();
    if (fs::fileExists(path)) {
        std::optional<song::WorkState> saved;
        try {
            saved = song::readRecoveryFile(path);
        } catch (const std::exception&) {
            fs::removeFile(path);
            platform::dialogs().notice("Valdorin", kDamagedNotice);
        }
        if (saved) {
            if (platform::dialogs().askYesNo("Question", kRestoreQuestion)) {
                Shared before = share(Capture());
                Apply(*saved);
                record("Restore Unsaved Work", Reacting::None, std::move(before));
            } else {
                fs::removeFile(path);
            }
        }
    }
    recoveryReady_ = true;
    if (changeWaiting_)
        scheduleRecovery();
}

void WorkHistory::EndCleanly() {
    recording_ = false;
    recoveryReady_ = false;
    recoveryTimer_.stop();
    if (writer_) {
        writer_->stop();
        fs::removeFile(writer_->path());
    }
}

void WorkHistory::FlushRecovery() {
    if (changeWaiting_ && recoveryReady_) {
        recoveryTimer_.stop();
        writeRecovery();
    }
    if (writer_)
        writer_->flush();
}

void WorkHistory::scheduleRecovery() {
    if (!recording_)
        return;
    changeWaiting_ = true;
    // Not restarted by later changes: a long run of edits still reaches the disk within the
    // delay of its first change.
    if (recoveryReady_ && !recoveryTimer_.isActive())
        recoveryTimer_.start();
}

void WorkHistory::writeRecovery() {
    if (!writer_ || !recording_)
        return;
    changeWaiting_ = false;
    // The work as it was at the start (or undone back to it) needs no copy.
    if (stack_.isClean())
        writer_->remove();
    else
        writer_->write(song::recoveryText(Capture()));
    const std::string error = writer_->lastError();
    if (!error.empty() && !writeErrorShown_) {
        writeErrorShown_ = true;
        seq_.statusBar()->showMessage(qtText("The recovery copy cannot be written: " + error));
    }
}

WorkHistory::Shared WorkHistory::share(song::WorkState state) {
    if (last_ && *last_ == state)
        return last_;
    return std::make_shared<const song::WorkState>(std::move(state));
}

WorkHistory::Shared WorkHistory::stateBefore(Reacting reacting) {
    song::WorkState now = Capture();
    if (last_) {
        switch (reacting) {
            case Reacting::None:
                break;
            case Reacting::PatternName:
                now.patternName = last_->patternName;
                break;
            case Reacting::Tempo:
                now.tempo = last_->tempo;
                now.savedGlobalTempo = last_->savedGlobalTempo;
                break;
            case Reacting::LoopCount:
                now.loopCount = last_->loopCount;
                break;
            case Reacting::SongTitle:
                now.songTitle = last_->songTitle;
                now.caption = last_->caption;
                break;
        }
    }
    return share(std::move(now));
}

void WorkHistory::record(const QString& text, Reacting reacting, Shared before) noexcept {
    try {
        Shared after = share(Capture());
        last_ = after;
        if (*after == *before)
            return;
        stack_.push(new WorkStep(*this, text, reacting, std::move(before), std::move(after)));
        scheduleRecovery();
    } catch (const std::exception&) {
        // A step that cannot be kept (no memory) is lost; the command's work stays done.
    }
}

bool WorkHistory::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeyCombination ctrlY(Qt::ControlModifier, Qt::Key_Y);
        // Not accepted: the key goes on to the window's Undo and Redo entries.
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == ctrlY)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

UndoStep::UndoStep(TSequence& seq, const char* text, Reacting reacting)
    : text_(text), reacting_(reacting) {
    WorkHistory* history = seq.History.get();
    if (!history || !history->recording_ || history->restoring_)
        return;
    // Taken before anything is counted: if it fails, this step records nothing.
    if (history->depth_ == 0)
        before_ = history->stateBefore(reacting);
    outer_ = history->depth_++ == 0;
    history_ = history;
}

UndoStep::~UndoStep() {
    if (!history_)
        return;
    --history_->depth_;
    if (outer_)
        history_->record(QString::fromUtf8(text_), reacting_, std::move(before_));
}

}  // namespace valdorin
