#pragma once
// Message boxes and file dialogs, reached through one service so that tests can answer a
// question, pick a file and read back what the program said. UI thread only.
//
// Texts are program text (Windows-1252, core/Text.h); paths are returned as program text too.

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace valdorin::platform {

struct FileDialogSpec {
    std::string title;
    std::string filter;      // "description|pattern|description|pattern", as the windows give it
    std::string directory;   // starting folder
    std::string fileName;    // proposed name (save dialogs)
    std::string defaultExt;  // appended to a name typed without extension, e.g. "sng" or ".sng"
    bool overwritePrompt = false;
    bool mustExist = false;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // The program's standard error box: the message and an OK button.
    virtual void error(const std::string& message) = 0;
    // A notice with one OK button.
    virtual void notice(const std::string& caption, const std::string& text) = 0;
    // Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    // OK and Cancel; true for OK.
    virtual bool askOkCancel(const std::string& caption, const std::string& text) = 0;
    // The chosen path, or nullopt when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogSpec& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogSpec& request) = 0;
    // Asks the desktop to open a document with its associated program ("open" action); false
    // when no program could be started for it.
    virtual bool openDocument(const std::string& path) = 0;
};

// The service in use: the Qt dialogs unless a test installed its own.
Dialogs& dialogs();
// Installs a service (nullptr restores the default); the caller keeps ownership.
void setDialogs(Dialogs* service);

// Answers scripted by a test, and a record of everything shown.
class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        std::string kind;  // "error", "notice", "yesno", "okcancel", "open", "save", "document"
        std::string caption;
        std::string text;
        FileDialogSpec request;
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;                      // for askYesNo / askOkCancel; default false
    std::deque<std::optional<std::string>> files;  // for openFile / saveFile; default cancel
    bool documentOpens = true;                     // what openDocument answers

    void error(const std::string& message) override;
    void notice(const std::string& caption, const std::string& text) override;
    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    std::optional<std::string> openFile(const FileDialogSpec& request) override;
    std::optional<std::string> saveFile(const FileDialogSpec& request) override;
    bool openDocument(const std::string& path) override;

    // Messages of the error box, in order.
    std::vector<std::string> errors() const;
};

// Runs a command the way the windows run them: an Error (or any exception) ends the command
// and its message goes to the error box. Returns false when the command failed.
template <typename F>
bool runCommand(F&& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        dialogs().error(e.what());
        return false;
    }
}

}  // namespace valdorin::platform
