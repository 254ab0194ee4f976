#include "platform/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include "core/Text.h"

namespace valdorin::platform {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(toUtf8(text));
}

// "desc|pattern|desc|pattern" to Qt's "desc (pattern);;desc (pattern)".
QString qtFilter(const std::string& filter) {
    const QStringList parts = qt(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns + ")";
    }
    return out.join(";;");
}

QWidget* parentWindow() {
    return QApplication::activeWindow();
}

class QtDialogs : public Dialogs {
  public:
    void error(const std::string& message) override {
        QMessageBox box(QMessageBox::Critical, "Valdorin", qt(message), QMessageBox::Ok,
                        parentWindow());
        box.exec();
    }
    void notice(const std::string& caption, const std::string& text) override {
        QMessageBox box(QMessageBox::NoIcon, qt(caption), qt(text), QMessageBox::Ok,
                        parentWindow());
        box.exec();
    }
    bool askYesNo(const std::string& caption, const std::string& text) override {
        QMessageBox box(QMessageBox::Question, qt(caption), qt(text),
                        QMessageBox::Yes | QMessageBox::No, parentWindow());
        return box.exec() == QMessageBox::Yes;
    }
    bool askOkCancel(const std::string& caption, const std::string& text) override {
        QMessageBox box(QMessageBox::Question, qt(caption), qt(text),
                        QMessageBox::Ok | QMessageBox::Cancel, parentWindow());
        return box.exec() == QMessageBox::Ok;
    }
    std::optional<std::string> openFile(const FileDialogSpec& request) override {
        QFileDialog dialog(parentWindow(), qt(request.title), qt(request.directory),
                           qtFilter(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        return run(dialog, request);
    }
    std::optional<std::string> saveFile(const FileDialogSpec& request) override {
        QFileDialog dialog(parentWindow(), qt(request.title), qt(request.directory),
                           qtFilter(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.fileName.empty())
            dialog.selectFile(qt(request.fileName));
        if (!request.overwritePrompt)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return run(dialog, request);
    }

    bool openDocument(const std::string& path) override {
        return QDesktopServices::openUrl(
            QUrl::fromLocalFile(QDir::current().absoluteFilePath(qt(path))));
    }

  private:
    static std::optional<std::string> run(QFileDialog& dialog, const FileDialogSpec& request) {
        std::string ext = request.defaultExt;
        if (!ext.empty() && ext.front() == '.')
            ext.erase(0, 1);
        if (!ext.empty())
            dialog.setDefaultSuffix(qt(ext));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return fromUtf8(dialog.selectedFiles().first().toStdString());
    }
};

Dialogs* g_service = nullptr;

}  // namespace

Dialogs& dialogs() {
    static QtDialogs qtDialogs;
    return g_service ? *g_service : qtDialogs;
}

void setDialogs(Dialogs* service) {
    g_service = service;
}

void ScriptedDialogs::error(const std::string& message) {
    shown.push_back({"error", "", message, {}});
}
void ScriptedDialogs::notice(const std::string& caption, const std::string& text) {
    shown.push_back({"notice", caption, text, {}});
}
bool ScriptedDialogs::askYesNo(const std::string& caption, const std::string& text) {
    shown.push_back({"yesno", caption, text, {}});
    if (answers.empty())
        return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}
bool ScriptedDialogs::askOkCancel(const std::string& caption, const std::string& text) {
    shown.push_back({"okcancel", caption, text, {}});
    if (answers.empty())
        return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}
namespace {
// The next scripted answer of a file dialog; none left answers Cancel.
std::optional<std::string> nextFile(std::deque<std::optional<std::string>>& files) {
    if (files.empty())
        return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
}
}  // namespace
std::optional<std::string> ScriptedDialogs::openFile(const FileDialogSpec& request) {
    shown.push_back({"open", request.title, "", request});
    return nextFile(files);
}
std::optional<std::string> ScriptedDialogs::saveFile(const FileDialogSpec& request) {
    shown.push_back({"save", request.title, "", request});
    return nextFile(files);
}
bool ScriptedDialogs::openDocument(const std::string& path) {
    shown.push_back({"document", "", path, {}});
    return documentOpens;
}
std::vector<std::string> ScriptedDialogs::errors() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
        if (s.kind == "error")
            out.push_back(s.text);
    return out;
}

}  // namespace valdorin::platform
