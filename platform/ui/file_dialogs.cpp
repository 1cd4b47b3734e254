#include "platform/ui/file_dialogs.h"

#include "platform/ui/process_slot.h"

#include <QFileDialog>

namespace korvan::platform {
namespace {

QString patternsWithLowerCase(const QString& patterns)
{
    QStringList all;
    for (const QString& pattern : patterns.split(';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        for (const QString& variant : {trimmed, trimmed.toLower(), trimmed.toUpper()})
            if (!all.contains(variant))
                all << variant;
    }
    return all.join(' ');
}

QString displayName(const QString& display)
{
    // The display text usually repeats the pattern in parentheses; Qt reads
    // patterns from there, so the name keeps only what stands before them.
    const qsizetype paren = display.indexOf('(');
    return (paren > 0 ? display.left(paren) : display).trimmed();
}

class QtFileDialogs final : public FileDialogService
{
public:
    std::optional<QString> choose(QWidget* parent, const FileDialogRequest& request) final
    {
        QFileDialog dialog(parent, request.title, request.initialPath);
        const bool save = request.kind == FileDialogKind::Save;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        QString suffix = request.defaultExtension;
        if (suffix.startsWith('.'))
            suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
        dialog.setNameFilters(qtNameFilters(request.filter));
        if (!request.overwritePrompt)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front();
    }
};

ProcessSlot<FileDialogService>& installedSlot()
{
    static ProcessSlot<FileDialogService> slot("korvanFileDialogService");
    return slot;
}

FileDialogService* installed()
{
    return installedSlot().get();
}

} // namespace

QStringList qtNameFilters(const QString& classicFilter)
{
    const QStringList parts = classicFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        filters << QStringLiteral("%1 (%2)").arg(displayName(parts[i]),
                                                 patternsWithLowerCase(parts[i + 1]));
    }
    return filters;
}

std::optional<QString> chooseFile(QWidget* parent, const FileDialogRequest& request)
{
    if (FileDialogService* service = installed())
        return service->choose(parent, request);
    QtFileDialogs real;
    return real.choose(parent, request);
}

std::optional<QString> getOpenFileName(QWidget* parent, const QString& defaultExtension,
                                       const QString& filter, const QString& initialPath,
                                       const QString& title)
{
    return chooseFile(
        parent, {FileDialogKind::Open, title, defaultExtension, filter, initialPath, true, false});
}

std::optional<QString> getSaveFileName(QWidget* parent, const QString& defaultExtension,
                                       const QString& filter, const QString& initialPath,
                                       const QString& title, bool overwritePrompt)
{
    return chooseFile(parent, {FileDialogKind::Save, title, defaultExtension, filter, initialPath,
                               true, overwritePrompt});
}

void setFileDialogService(FileDialogService* service)
{
    installedSlot().set(service);
}

FileDialogService* installedFileDialogService()
{
    return installed();
}

ScriptedFileDialogs::ScriptedFileDialogs() : m_previous(installedFileDialogService())
{
    setFileDialogService(this);
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    if (installed() == this)
        setFileDialogService(m_previous);
}

std::optional<QString> ScriptedFileDialogs::choose(QWidget*, const FileDialogRequest& request)
{
    m_requests.push_back(request);
    if (m_answers.empty())
        return std::nullopt;
    const bool chosen = m_answers.front().has_value();
    const QString path = chosen ? *m_answers.front() : QString();
    m_answers.pop_front();
    if (!chosen)
        return std::nullopt;
    return path;
}

} // namespace korvan::platform
