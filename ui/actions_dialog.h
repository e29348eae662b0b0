// The "ID3 Tags" tab's "Actions…" box: actions over chosen fields of the selected files, one a
// line as a recipe holds them, previewed as a table of changes and applied as one batch save.
#pragma once

#include "features/actions/actions.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class WindowDialogs;

class ActionsDialog : public QDialog {
    Q_OBJECT
public:
    // `apply` saves a plan's request and says whether it was done.
    ActionsDialog(std::vector<std::string> files, WindowDialogs& dialogs,
                  std::function<bool(const BatchSaveRequest&)> apply, QWidget* parent);

    void AddClick();          // the chosen action as a line below the others
    void RecipeChange();      // a saved recipe's lines in place of those shown
    bool PreviewClick();      // the table of changes; false when the lines or the values are refused
    void ApplyClick();        // one batch save of the changes, then the box closes
    void SaveRecipeClick();   // the lines under the recipe name given

private:
    std::optional<std::vector<Action>> parsedLines();

    std::vector<std::string> m_files;
    WindowDialogs& m_dialogs;
    std::function<bool(const BatchSaveRequest&)> m_apply;
    ActionPlan m_plan;
    QLineEdit* EditActionFields = nullptr;  // the fields, comma-separated
    QComboBox* ComboBoxAction = nullptr;    // what to do to them
    QLineEdit* EditActionFrom = nullptr;    // the text, expression or pattern
    QLineEdit* EditActionTo = nullptr;      // what replaces it
    QComboBox* ComboBoxRecipe = nullptr;    // the saved recipes
    QPlainTextEdit* EditActionLines = nullptr; // the actions, one a line
    QTableWidget* TableActionPreview = nullptr; // file, field, before, after
    QLineEdit* EditRecipeName = nullptr;
};
