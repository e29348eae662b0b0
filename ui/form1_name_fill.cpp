// The "ID3 Tags" tab's "Fill from file name": fields read out of the selected files' names.
#include "form1.h"

#include "features/common/mp3_folder.h"
#include "features/tagedit/fill_from_name.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "widget_helpers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int kPatternWidth = 180;

TableQuestion fillTable(const std::vector<NameFill>& fills, const NamePattern& pattern, std::size_t matched,
                        const QString& tags)
{
    TableQuestion question;
    std::vector<const NamedField*> columns;
    question.headers << QStringLiteral("File");
    for (const NamePattern::Piece& piece : pattern.pieces)
        if (piece.field) {
            columns.push_back(piece.field);
            question.headers << QString::fromLatin1(piece.field->caption);
        }
    question.headers << QStringLiteral("Problem");
    for (const NameFill& fill : fills) {
        QStringList row{pathText(fileNameOf(fill.path))};
        for (const NamedField* field : columns)
            row << toQString(filledText(fill, *field));
        row << (fill.matched ? QString() : QStringLiteral("does not match: ") + toQString(fill.why));
        question.rows.push_back(row);
        question.marked.push_back(!fill.matched);
    }
    question.text = QStringLiteral("Do you wish to save these fields into the %1 of %2 file(s)?").arg(tags).arg(matched);
    if (matched < fills.size())
        question.text += QStringLiteral(" The %1 file(s) marked are left as they are.").arg(fills.size() - matched);
    return question;
}

} // namespace

void TForm1::addNameFillControls(QToolBar* bar)
{
    EditNamePattern = named(new QLineEdit(QStringLiteral("{track} - {artist} - {title}"), bar), "EditNamePattern");
    EditNamePattern->setFixedWidth(kPatternWidth);
    EditNamePattern->setToolTip(QStringLiteral("The file name pattern: {artist} {title} {album} {year} {genre} "
                                               "{comment} {track}, any named field such as {albumartist} or {disc}, and text "
                                               "that must be in the name as it stands"));
    bar->addSeparator();
    bar->addWidget(EditNamePattern);
    FillFromFileName = addTextButton(bar, "FillFromFileName", QStringLiteral("Fill from file name"), QString());
    wire(FillFromFileName, &QToolButton::clicked, [this] { FillFromFileNameClick(); });
}

void TForm1::FillFromFileNameClick()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    const bool v1 = CheckBoxEnableV1->isChecked(), v2 = CheckBoxEnableV2->isChecked();
    if (files.empty() || (!v1 && !v2)) {
        m_dialogs.info(files.empty() ? QStringLiteral("Please select the files to fill in the list first.")
                                     : QStringLiteral("Please check the tag(s) to fill first."));
        return;
    }
    std::string problem;
    const std::optional<NamePattern> pattern = parseNamePattern(toUtf8(EditNamePattern->text()), problem);
    if (!pattern) {
        m_dialogs.error("The pattern cannot be used: " + problem + ".");
        return;
    }
    const std::vector<NameFill> fills = fillFromNames(files, *pattern);
    if (const std::optional<std::string> refusal = refusedFills(*pattern, fills, v2)) {
        m_dialogs.error("Nothing was saved: " + *refusal + ".");
        return;
    }
    BatchSaveRequest request = fillRequest(fills, v1, v2);
    if (request.files.empty()) {
        std::string text = "None of the selected file names matches the pattern.";
        for (const NameFill& fill : fills)
            text += "\n" + fill.problem;
        m_dialogs.error(text);
        return;
    }
    const QString tags = v1 && v2 ? QStringLiteral("ID3 version 1 and version 2 tags")
                                  : v1 ? QStringLiteral("ID3 version 1 tag") : QStringLiteral("ID3 version 2 tag");
    if (m_dialogs.confirmTable(fillTable(fills, *pattern, request.files.size(), tags)) != Dialogs::Yes)
        return;
    saveOnTagsTab(request);
}
