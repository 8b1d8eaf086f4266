#include "qt/qtfiledialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "session/help.h"

namespace zvl {

QStringList QtFileDialogs::nameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()})
                if (!patterns.contains(variant)) patterns << variant;
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

void QtFileDialogs::configure(QFileDialog& dialog, const FileDialogSpec& request, bool save) {
    // The program's own dialog, not the desktop's: F1 in it (and in its replace question) opens
    // the help page about the file dialogs, which a dialog of another toolkit never passes on.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setProperty("helpContext", kHelpFileDialog);
    if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    // The description alone is shown, as the program's filters read; the patterns still apply.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(nameFilters(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.initialDirectory.empty()) {
        const QFileInfo start(QFile::decodeName(QByteArray::fromStdString(request.initialDirectory)));
        dialog.setDirectory(start.isDir() ? start.absoluteFilePath() : start.absolutePath());
    }
    if (!request.fileName.empty())
        dialog.selectFile(
            QFileInfo(QFile::decodeName(QByteArray::fromStdString(request.fileName))).fileName());
}

namespace {
// The question a save dialog asks before it replaces a file, in Qt's own words (and
// translations); No goes back to the dialog.
bool replaceConfirmed(QFileDialog& dialog, const QString& path) {
    const QString text = QFileDialog::tr("%1 already exists.\nDo you want to replace it?");
    return QMessageBox::warning(&dialog, dialog.windowTitle(), text.arg(QFileInfo(path).fileName()),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
}  // namespace

std::optional<std::string> QtFileDialogs::run(const FileDialogSpec& request, bool save) {
    QFileDialog dialog(parent_);
    configure(dialog, request, save);
    QString path;
    do {
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return std::nullopt;
        path = QFileInfo(chosen.first()).absoluteFilePath();
        // A save dialog has asked itself; an open dialog that chooses a file to write asks here.
    } while (!save && request.overwritePrompt && !request.mustExist && QFileInfo(path).isFile() &&
             !replaceConfirmed(dialog, path));
    // The dialog adds the default extension to any name without one; for a device, a pipe or a
    // name under /dev/ that names another file (/dev/null.zvl), so such a name stands as typed.
    const QString suffix = QLatin1Char('.') + dialog.defaultSuffix();
    if (save && suffix.size() > 1 && path.endsWith(suffix) && !QFileInfo::exists(path)) {
        const QFileInfo typed(path.chopped(suffix.size()));
        if (typed.absoluteFilePath().startsWith(QLatin1String("/dev/")) ||
            (typed.exists() && !typed.isFile() && !typed.isDir()))
            path = typed.absoluteFilePath();
    }
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> QtFileDialogs::openFile(const FileDialogSpec& request) {
    return run(request, false);
}

std::optional<std::string> QtFileDialogs::saveFile(const FileDialogSpec& request) {
    return run(request, true);
}

std::optional<std::string> QtFileDialogs::openFolder(const FileDialogSpec& request) {
    QFileDialog dialog(parent_);
    configure(dialog, request, false);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace zvl
