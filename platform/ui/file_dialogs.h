// Open and save file dialogs. Callers describe the dialog as the classic file
// dialog takes it (default extension, "Name (*.x)|*.x|...||" filter, flags);
// the program shows a QFileDialog, tests install ScriptedFileDialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace korvan::platform {

enum class FileDialogKind
{
    Open,
    Save
};

// One request for a file name.
struct FileDialogRequest
{
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QString defaultExtension; // ".krx" or "krx"; added to a saved name without suffix
    QString filter;           // "Krx Files (*.krx)|*.Krx|All Files (*.*)|*.*||"
    QString initialPath;      // folder or file name the dialog starts with
    bool hideReadOnly = true;
    bool overwritePrompt = false;
};

class FileDialogService
{
public:
    virtual ~FileDialogService() = default;
    /// The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> choose(QWidget* parent, const FileDialogRequest& request) = 0;
};

/// Shows an open-file dialog; nothing on cancel.
std::optional<QString> getOpenFileName(QWidget* parent, const QString& defaultExtension,
                                       const QString& filter, const QString& initialPath = {},
                                       const QString& title = {});
/// Shows a save-file dialog; nothing on cancel.
std::optional<QString> getSaveFileName(QWidget* parent, const QString& defaultExtension,
                                       const QString& filter, const QString& initialPath = {},
                                       const QString& title = {}, bool overwritePrompt = true);
/// Any request through the installed service.
std::optional<QString> chooseFile(QWidget* parent, const FileDialogRequest& request);

/// Qt name filters from a "Name (*.x)|*.x|...||" filter, pattern case kept and lowered.
QStringList qtNameFilters(const QString& classicFilter);

/// Replaces the service for the whole process (nullptr restores the real one).
void setFileDialogService(FileDialogService* service);
/// The installed service, nullptr for the real one.
FileDialogService* installedFileDialogService();

// Records every request; answers from the queue, cancel when it is empty.
class ScriptedFileDialogs final : public FileDialogService
{
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs() override;
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    std::optional<QString> choose(QWidget* parent, const FileDialogRequest& request) final;

    /// The next dialog returns this path.
    void chooseNext(const QString& path) { m_answers.push_back(path); }
    /// The next dialog is cancelled.
    void cancelNext() { m_answers.push_back(std::nullopt); }
    const std::vector<FileDialogRequest>& requests() const { return m_requests; }

private:
    FileDialogService* m_previous = nullptr; // restored on destruction
    std::deque<std::optional<QString>> m_answers;
    std::vector<FileDialogRequest> m_requests;
};

} // namespace korvan::platform
