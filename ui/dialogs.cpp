// Qt's own message boxes, folder picker and file dialogs behind the Dialogs interface.
#include "dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {

QString applicationTitle() { return QStringLiteral("Varnoli"); }

} // namespace

QString qtFilterOf(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    // The name part already shows the pattern, e.g. "Playlists (*.m3u)".
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters.join(QStringLiteral(";;"));
}

void QtDialogs::message(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), QString::fromStdString(text), QMessageBox::Ok, m_owner);
    box.exec();
}

void QtDialogs::info(const std::string& text)
{
    QMessageBox::information(m_owner, applicationTitle(), QString::fromStdString(text));
}

void QtDialogs::error(const std::string& text)
{
    QMessageBox::critical(m_owner, applicationTitle(), QString::fromStdString(text));
}

Dialogs::Answer QtDialogs::confirm(const std::string& text)
{
    switch (QMessageBox::warning(m_owner, applicationTitle(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    default: return Cancel;
    }
}

QString QtDialogs::browseForFolder(const QString& title)
{
    QString path = QFileDialog::getExistingDirectory(m_owner, title, QStringLiteral("/"),
                                                     QFileDialog::ShowDirsOnly);
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString QtDialogs::openFile(const FileDialogSpec& spec)
{
    QFileDialog dialog(m_owner, QString(), QString(), qtFilterOf(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(spec.defaultExtension);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtDialogs::saveFile(const FileDialogSpec& spec, const QString& suggestedName)
{
    QFileDialog dialog(m_owner, QString(), QString(), qtFilterOf(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(spec.defaultExtension);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
    dialog.setSizeGripEnabled(true);
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
