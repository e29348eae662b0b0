// Builds the "Actions…" box and runs its buttons through the feature code varnoli-cli runs.
#include "actions_dialog.h"

#include "qt_text.h"
#include "widget_helpers.h"
#include "window_dialogs.h"

#include "features/actions/action_words.h"
#include "features/actions/recipes.h"
#include "platform/file_system.h"
#include "tags/id3v2/id3v2.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The action box's entries and the words each puts on a line; "A" and "B" are the two texts.
struct ActionChoice {
    const char* caption;
    std::vector<const char*> words;
};
const ActionChoice kChoices[] = {
    {"Title Case", {"--case", "title"}},  {"Sentence case", {"--case", "sentence"}},
    {"UPPER CASE", {"--case", "upper"}},  {"lower case", {"--case", "lower"}},
    {"Replace A by B", {"--replace", "A", "B"}}, {"Replace regular expression A by B ($1 a group)", {"--regex", "A", "B"}},
    {"Trim spaces", {"--trim"}},          {"Number tracks", {"--number"}},
    {"Number tracks per folder", {"--number", "--per-folder"}}, {"Set from pattern A", {"--set-from", "A"}},
};

QPushButton* button(const char* name, const QString& text, QWidget* parent)
{
    return named(new QPushButton(text, parent), name);
}

} // namespace

ActionsDialog::ActionsDialog(std::vector<std::string> files, WindowDialogs& dialogs,
                             std::function<bool(const BatchSaveRequest&)> apply, QWidget* parent)
    : QDialog(parent), m_files(std::move(files)), m_dialogs(dialogs), m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("ActionsDialog"));
    setWindowTitle(QStringLiteral("Actions on %1 file(s)").arg(m_files.size()));
    EditActionFields = named(new QLineEdit(QStringLiteral("title"), this), "EditActionFields");
    ComboBoxAction = named(new QComboBox(this), "ComboBoxAction");
    for (const ActionChoice& choice : kChoices)
        ComboBoxAction->addItem(QString::fromUtf8(choice.caption));
    EditActionFrom = named(new QLineEdit(this), "EditActionFrom");
    EditActionTo = named(new QLineEdit(this), "EditActionTo");
    ComboBoxRecipe = named(new QComboBox(this), "ComboBoxRecipe");
    ComboBoxRecipe->addItem(QString());
    for (const std::string& name : recipeNames())
        ComboBoxRecipe->addItem(toQString(name));
    EditActionLines = named(new QPlainTextEdit(this), "EditActionLines");
    // A recipe is a few lines; the room goes to the preview of many files.
    EditActionLines->setMaximumHeight(6 * EditActionLines->fontMetrics().lineSpacing());
    TableActionPreview = named(new QTableWidget(0, 4, this), "TableActionPreview");
    TableActionPreview->setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Field"),
                                                   QStringLiteral("Before"), QStringLiteral("After")});
    TableActionPreview->horizontalHeader()->setStretchLastSection(true);
    TableActionPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    EditRecipeName = named(new QLineEdit(this), "EditRecipeName");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Fields:"), EditActionFields);
    form->addRow(QStringLiteral("Action:"), ComboBoxAction);
    form->addRow(QStringLiteral("A:"), EditActionFrom);
    form->addRow(QStringLiteral("B:"), EditActionTo);
    form->addRow(QStringLiteral("Recipe:"), ComboBoxRecipe);
    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, const char* text, void (ActionsDialog::*handler)()) {
        QPushButton* b = button(name, QString::fromUtf8(text), this);
        connect(b, &QPushButton::clicked, this, handler);
        buttons->addWidget(b);
    };
    add("ButtonAddAction", "Add", &ActionsDialog::AddClick);
    QPushButton* preview = button("ButtonPreviewActions", QStringLiteral("Preview"), this);
    connect(preview, &QPushButton::clicked, this, [this] { PreviewClick(); });
    buttons->addWidget(preview);
    add("ButtonApplyActions", "Apply", &ActionsDialog::ApplyClick);
    buttons->addWidget(EditRecipeName);
    add("ButtonSaveRecipe", "Save as recipe", &ActionsDialog::SaveRecipeClick);
    connect(ComboBoxRecipe, &QComboBox::currentIndexChanged, this, &ActionsDialog::RecipeChange);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(EditActionLines);
    layout->addLayout(buttons);
    layout->addWidget(TableActionPreview, 1);
    resize(720, 520);
}

void ActionsDialog::AddClick()
{
    std::vector<std::string> words;
    if (!EditActionFields->text().trimmed().isEmpty())
        words = {"--fields", toUtf8(EditActionFields->text().remove(QLatin1Char(' ')))};
    for (const char* word : kChoices[ComboBoxAction->currentIndex()].words)
        words.push_back(std::string(word) == "A"   ? toUtf8(EditActionFrom->text())
                        : std::string(word) == "B" ? toUtf8(EditActionTo->text())
                                                   : std::string(word));
    std::string problem;
    if (!parseActionWords(words, problem)) {
        m_dialogs.error("The action cannot be added: " + problem + ".");
        return;
    }
    EditActionLines->appendPlainText(toQString(joinLine(words)));
}

void ActionsDialog::RecipeChange()
{
    if (ComboBoxRecipe->currentIndex() <= 0)
        return;
    try {
        const std::string text = platform::readWholeFile(recipePath(toUtf8(ComboBoxRecipe->currentText())));
        EditActionLines->setPlainText(toQString(text));
        EditRecipeName->setText(ComboBoxRecipe->currentText());
    } catch (const platform::IoError& e) {
        m_dialogs.error(std::string("The recipe cannot be read: ") + e.what() + ".");
    }
}

std::optional<std::vector<Action>> ActionsDialog::parsedLines()
{
    std::string problem;
    std::optional<std::vector<Action>> actions = parseRecipe(toUtf8(EditActionLines->toPlainText()), problem);
    if (!actions)
        m_dialogs.error("The actions cannot be used: " + problem + ".");
    return actions;
}

bool ActionsDialog::PreviewClick()
{
    TableActionPreview->setRowCount(0);
    const std::optional<std::vector<Action>> actions = parsedLines();
    if (!actions)
        return false;
    Tid3v2tag v2;
    m_plan = planActions(*actions, m_files, v2);
    TableActionPreview->setRowCount(static_cast<int>(m_plan.changes.size()));
    for (std::size_t i = 0; i < m_plan.changes.size(); ++i) {
        const FieldChange& c = m_plan.changes[i];
        const QStringList cells{pathText(c.path), QString::fromLatin1(c.field->caption), toQString(c.before),
                                toQString(c.after)};
        for (int column = 0; column < cells.size(); ++column)
            TableActionPreview->setItem(static_cast<int>(i), column, new QTableWidgetItem(cells[column]));
    }
    if (m_plan.problems.empty())
        return true;
    std::string text = "Nothing can be saved:";
    for (const std::string& line : m_plan.problems)
        text += "\n" + line;
    m_dialogs.error(text);
    return false;
}

void ActionsDialog::ApplyClick()
{
    if (!PreviewClick())
        return;
    if (m_plan.changes.empty()) {
        m_dialogs.info(QStringLiteral("The actions change nothing in the selected files."));
        return;
    }
    if (m_apply(actionRequest(m_plan)))
        accept();
}

void ActionsDialog::SaveRecipeClick()
{
    const std::optional<std::vector<Action>> actions = parsedLines();
    std::string problem;
    if (actions && !saveRecipe(toUtf8(EditRecipeName->text()), *actions, problem))
        m_dialogs.error("The recipe was not saved: " + problem + ".");
}
