// The preview of a text-encoding fix: the texts as they read now and after, and a box to
// choose another code page than the guess.
#include "window_dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

void fillTable(QTableWidget* table, const std::vector<QStringList>& rows)
{
    table->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size() && c < table->columnCount(); ++c)
            table->setItem(static_cast<int>(r), c, new QTableWidgetItem(rows[r][c]));
    table->resizeColumnsToContents();
}

} // namespace

Dialogs::Answer QtDialogs::askCodePageFix(CodePageQuestion& question)
{
    QDialog dialog(m_owner);
    dialog.setObjectName(QStringLiteral("DialogFixTextEncoding"));
    dialog.setWindowTitle(QStringLiteral("Fix text encoding"));
    auto* table = new QTableWidget(0, static_cast<int>(question.headers.size()), &dialog);
    table->setObjectName(QStringLiteral("TableFixTextEncoding"));
    table->setHorizontalHeaderLabels(question.headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    auto* box = new QComboBox(&dialog);
    box->setObjectName(QStringLiteral("ComboBoxFixCodePage"));
    box->addItems(question.codePages);
    QObject::connect(box, &QComboBox::currentTextChanged, &dialog,
                     [&](const QString& codePage) { fillTable(table, question.rowsFor(codePage)); });
    fillTable(table, question.rowsFor(box->currentText()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Code page:"), &dialog));
    choice->addWidget(box, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(choice);
    layout->addWidget(table, 1);
    layout->addWidget(buttons);
    dialog.resize(760, 420);
    const bool saved = dialog.exec() == QDialog::Accepted;
    question.chosen = box->currentText();
    return saved ? Yes : No;
}
