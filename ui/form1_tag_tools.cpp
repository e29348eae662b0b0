// The "ID3 Tags" tab's tag tools: convert, copy, remove and repair the selected files' tags,
// and the line that marks fields read from a damaged tag.
#include "form1.h"

#include "features/tagedit/tag_tools.h"
#include "file_list_box.h"
#include "qt_text.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"
#include "widget_helpers.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {

struct ToolEntry {
    TagTool tool;
    const char *name, *caption;
    bool separatorBefore;
};

constexpr ToolEntry kToolEntries[] = {
    {TagTool::ConvertTo23, "ActionConvertTo23", "Convert to ID3v2.3", false},
    {TagTool::ConvertTo24, "ActionConvertTo24", "Convert to ID3v2.4", false},
    {TagTool::CopyV1ToV2, "ActionCopyV1ToV2", "Copy v1 \u2192 v2", true},
    {TagTool::CopyV2ToV1, "ActionCopyV2ToV1", "Copy v2 \u2192 v1", false},
    {TagTool::RemoveV1, "ActionRemoveV1", "Remove the ID3v1 tag", true},
    {TagTool::RemoveV2, "ActionRemoveV2", "Remove the ID3v2 tag", false},
    {TagTool::RemovePictures, "ActionRemovePictures", "Remove pictures", false},
    {TagTool::RemoveFrames, "ActionRemoveFrames", "Remove frames...", false},
    {TagTool::Repair, "ActionRepairTag", "Repair tag", true},
};

// The keys typed, separated by spaces; nothing when cancelled or when one names no frame.
std::optional<std::vector<FrameKey>> askFrameKeys(WindowDialogs& dialogs)
{
    const std::optional<QString> typed =
        dialogs.askText(QStringLiteral("The keys of the frames to remove, separated by spaces (TXXX:desc, COMM::eng, APIC):"));
    if (!typed)
        return std::nullopt;
    std::vector<FrameKey> keys;
    for (const QString& word : typed->split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        FrameKey key;
        if (!parseFrameKey(toUtf8(word), key)) {
            dialogs.error("'" + toUtf8(word) + "' names no frame: nothing was removed.");
            return std::nullopt;
        }
        keys.push_back(key);
    }
    if (keys.empty())
        return std::nullopt;
    return keys;
}

} // namespace

void TForm1::addTagToolsMenu(QToolBar* bar)
{
    TagToolsButton = addTextButton(bar, "TagToolsButton", QStringLiteral("Tag tools"),
                                       QStringLiteral("Convert, copy, remove or repair the tags of the selected files"));
    TagToolsButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(TagToolsButton);
    for (const ToolEntry& entry : kToolEntries) {
        if (entry.separatorBefore)
            menu->addSeparator();
        QAction* action = menu->addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(QString::fromLatin1(entry.name));
        const TagTool tool = entry.tool;
        wire(action, &QAction::triggered, [this, tool] { TagToolClick(tool); });
    }
    addTableEntries(menu);
    TagToolsButton->setMenu(menu);
}

QWidget* TForm1::buildDamagedTagLine(QWidget* parent)
{
    auto* line = new QWidget(parent);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    LabelDamagedTag = named(new QLabel(line), "LabelDamagedTag");
    LabelDamagedTag->setWordWrap(true);
    RepairTagButton = named(new QToolButton(line), "RepairTagButton");
    RepairTagButton->setText(QStringLiteral("Repair tag"));
    RepairTagButton->setToolTip(QStringLiteral("Write the frames that could be read as a new, well-formed tag"));
    row->addWidget(LabelDamagedTag, 1);
    row->addWidget(RepairTagButton);
    wire(RepairTagButton, &QToolButton::clicked, [this] { TagToolClick(TagTool::Repair); });
    line->hide();
    return line;
}

void TForm1::showDamagedTag(const std::optional<uint32_t>& frames)
{
    LabelDamagedTag->parentWidget()->setVisible(frames.has_value());
    LabelDamagedTag->setText(frames ? QStringLiteral("Damaged tag: showing the %1 frames that could be read. A save "
                                                     "is refused until the tag is repaired.")
                                          .arg(*frames)
                                    : QString());
}

void TForm1::TagToolClick(TagTool tool)
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty()) {
        m_dialogs.info(std::string("Select the files to change first."));
        return;
    }
    std::optional<std::vector<FrameKey>> keys;
    if (tool == TagTool::RemoveFrames && !(keys = askFrameKeys(m_dialogs)))
        return;
    if (m_dialogs.confirm(tagToolQuestion(tool, files.size())) != Dialogs::Yes)
        return;
    TagToolPlan plan;
    if (!readInBackground(QStringLiteral("Reading"), files, [&](Progress&, Tid3tag& v1, Tid3v2tag& v2) {
            plan = planTagTool(tool, files, v1, v2, keys.value_or(std::vector<FrameKey>{}));
        }))
        return;
    BatchSaveOutcome outcome;
    if (!plan.request.files.empty())
        outcome = saveInBackground(plan.request, QStringLiteral("Saving"));
    if (!outcome.stopped)
        m_dialogs.info(tagToolSummary(plan, outcome));
    showTagSelection(FileListBoxMP3Files->selectedPaths());
}
