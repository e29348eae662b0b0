// Qt's own message boxes, folder picker and file dialogs behind the Dialogs interface.
#include "window_dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {

QString applicationTitle() { return QStringLiteral("Varnoli"); }

// A box of a report on many files would outgrow the screen: its first lines are shown, and the
// whole text scrolls under "Show Details...".
void showBox(QWidget* owner, QMessageBox::Icon icon, const std::string& text)
{
    constexpr int kShownLines = 15;
    const QString whole = QString::fromStdString(text);
    QStringList lines = whole.split(QLatin1Char('\n'));
    QMessageBox box(icon, applicationTitle(), whole, QMessageBox::Ok, owner);
    if (lines.size() > kShownLines) {
        const qsizetype more = lines.size() - kShownLines;
        lines = lines.mid(0, kShownLines);
        lines << QStringLiteral("... and %1 more line(s): Show Details... lists them all.").arg(more);
        box.setText(lines.join(QLatin1Char('\n')));
        box.setDetailedText(whole);
    }
    box.exec();
}

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

void QtDialogs::message(const std::string& text) { showBox(m_owner, QMessageBox::NoIcon, text); }

void QtDialogs::info(const std::string& text) { showBox(m_owner, QMessageBox::Information, text); }

void QtDialogs::error(const std::string& text) { showBox(m_owner, QMessageBox::Critical, text); }

Dialogs::Answer QtDialogs::confirm(const std::string& text)
{
    switch (QMessageBox::warning(m_owner, applicationTitle(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    default: return Cancel;
    }
}

Dialogs::Answer QtDialogs::askSaveChanges(const QString& text)
{
    switch (QMessageBox::warning(m_owner, applicationTitle(), text,
                                 QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save)) {
    case QMessageBox::Save: return Yes;
    case QMessageBox::Discard: return No;
    default: return Cancel;
    }
}

QString QtDialogs::browseForFolder(const QString& title, const QString& start)
{
    QString path = QFileDialog::getExistingDirectory(m_owner, title, start,
                                                     QFileDialog::ShowDirsOnly);
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString QtDialogs::openFile(const FileDialogSpec& spec)
{
    QFileDialog dialog(m_owner, QString(), spec.folder, qtFilterOf(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(spec.defaultExtension);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtDialogs::saveFile(const FileDialogSpec& spec, const QString& suggestedName)
{
    QFileDialog dialog(m_owner, QString(), spec.folder, qtFilterOf(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(spec.defaultExtension);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
    dialog.setSizeGripEnabled(true);
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

Dialogs::Answer QtDialogs::confirmTable(const TableQuestion& question)
{
    QDialog dialog(m_owner);
    dialog.setWindowTitle(applicationTitle());
    auto* table = new QTableWidget(static_cast<int>(question.rows.size()), static_cast<int>(question.headers.size()),
                                   &dialog);
    table->setObjectName(QStringLiteral("TableQuestion"));
    table->setHorizontalHeaderLabels(question.headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (std::size_t r = 0; r < question.rows.size(); ++r)
        for (int c = 0; c < question.rows[r].size() && c < question.headers.size(); ++c) {
            auto* cell = new QTableWidgetItem(question.rows[r][c]);
            if (r < question.marked.size() && question.marked[r])
                cell->setForeground(Qt::red);
            table->setItem(static_cast<int>(r), c, cell);
        }
    table->resizeColumnsToContents();
    auto* text = new QLabel(question.text, &dialog);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table, 1);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(760, 420);
    return dialog.exec() == QDialog::Accepted ? Yes : No;
}

std::optional<QString> QtDialogs::askText(const QString& question)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_owner, applicationTitle(), question, QLineEdit::Normal, {}, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}
