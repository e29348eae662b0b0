// Small builders the tab pages share: named widgets, bold labels, list views.
#pragma once

#include "qt_text.h"

#include "features/common/tag_fields.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <string>
#include <vector>

template <typename W>
W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

template <typename W>
W* named(W* widget, const char* name)
{
    return named(widget, QString::fromLatin1(name));
}

template <typename W>
W* bold(W* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
    return widget;
}

inline QLabel* boldLabel(const QString& text, QWidget* parent) { return bold(new QLabel(text, parent)); }

inline QCheckBox* checkBox(const QString& name, const QString& caption, bool checked, QWidget* parent)
{
    auto* box = named(new QCheckBox(caption, parent), name);
    box->setChecked(checked);
    return box;
}

// A tool bar button that shows its caption and no image.
inline QToolButton* addTextButton(QToolBar* bar, const char* name, const QString& caption, const QString& hint)
{
    auto* button = named(new QToolButton(bar), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

// A report list with one "File" column: whole rows, several selectable, not editable.
inline QTreeWidget* fileReportList(const char* name, QWidget* parent)
{
    auto* list = named(new QTreeWidget(parent), name);
    list->setColumnCount(1);
    list->setHeaderLabels({QStringLiteral("File")});
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, 800);
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformRowHeights(true);
    return list;
}

// A row of a file list shows its path decoded for the eye and keeps the path's own bytes.
inline void setEntry(QTreeWidgetItem* item, const std::string& entry)
{
    item->setText(0, pathText(entry));
    item->setData(0, Qt::UserRole, QByteArray::fromStdString(entry));
}

inline std::string entryOf(const QTreeWidgetItem* item)
{
    return item->data(0, Qt::UserRole).toByteArray().toStdString();
}

inline std::vector<std::string> entriesOf(const QTreeWidget* list)
{
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list->topLevelItemCount()));
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        entries.push_back(entryOf(list->topLevelItem(row)));
    return entries;
}

// The name of the field on a row of the tabs' field lists; the filename builder reads
// these names back from its position boxes.
inline QString fieldText(int row)
{
    return QString::fromLatin1(fieldName(kAllFields[static_cast<std::size_t>(row)]));
}

// "Artist:", the caption beside a field's widget.
inline QLabel* fieldLabel(int row, QWidget* parent) { return new QLabel(fieldText(row) + QLatin1Char(':'), parent); }

// The width of the short track field wherever one is shown.
inline constexpr int kTrackWidth = 60;

// The row of the track, the one short field, in the tabs' field lists.
inline constexpr int kTrackRow = static_cast<int>(fieldIndex(TagField::Track));

// The widget of the field on `row` of the field lists, put into a grid; the track field is
// short and keeps to the left.
inline void addFieldWidget(QGridLayout* grid, int row, int gridRow, int column, QWidget* widget)
{
    if (row == kTrackRow) {
        widget->setFixedWidth(kTrackWidth);
        grid->addWidget(widget, gridRow, column, Qt::AlignLeft);
    } else {
        grid->addWidget(widget, gridRow, column);
    }
}

// The width a folder tab's file list starts at; its splitter moves it.
inline constexpr int kFileListWidth = 300;

// A tab's page: the tool bar across the top, and under it `left` and `right` either side of
// a splitter; `right` takes what the window gains in width.
inline QSplitter* layOutSplitPage(QWidget* tab, QWidget* bar, QWidget* left, QWidget* right, const QList<int>& sizes)
{
    auto* splitter = new QSplitter(Qt::Horizontal, tab);
    splitter->setObjectName(tab->objectName() + QStringLiteral("Splitter"));
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes(sizes);

    auto* page = new QVBoxLayout(tab);
    page->setContentsMargins(4, 2, 4, 4);
    page->addWidget(bar);
    page->addWidget(splitter, 1);
    return splitter;
}

// A new widget's box layout, with no margin of its own; the widget is its parentWidget().
template <typename Box>
Box* paneLayout(QWidget* parent)
{
    auto* layout = new Box(new QWidget(parent));
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

// The page of a folder tab: the tool bar across the top; under it the folder box and its
// "Include subfolders" box over the file list, which stretches down; a splitter; then
// `middle` (may be null) and `right`, which stretches.
inline QSplitter* layOutFolderTab(QWidget* tab, QWidget* bar, QWidget* folderBox, QWidget* treeBox,
                                  QWidget* fileList, QLayout* middle, QLayout* right)
{
    auto* left = paneLayout<QVBoxLayout>(tab);
    left->addWidget(folderBox);
    left->addWidget(treeBox);
    left->addWidget(fileList, 1);
    auto* body = paneLayout<QHBoxLayout>(tab);
    if (middle)
        body->addLayout(middle);
    body->addLayout(right, 1);
    return layOutSplitPage(tab, bar, left->parentWidget(), body->parentWidget(),
                           {kFileListWidth, 2 * kFileListWidth});
}
