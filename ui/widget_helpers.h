// Small builders the tab pages share: named widgets, bold labels, list views.
#pragma once

#include "qt_text.h"

#include "features/common/tag_fields.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>

#include <string>
#include <vector>

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QLabel* boldLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

inline QCheckBox* checkBox(const char* name, const char* caption, bool checked, QWidget* parent)
{
    auto* box = named(new QCheckBox(QString::fromLatin1(caption), parent), name);
    box->setChecked(checked);
    return box;
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

// The width of the short track field wherever one is shown.
inline constexpr int kTrackWidth = 60;
// The width a folder tab's file list starts at; its splitter moves it.
inline constexpr int kFileListWidth = 300;

// The page of a folder tab: the tool bar across the top; under it the folder box and its
// "Include subfolders" box over the file list, which stretches down; a splitter; then
// `middle` (may be null) and `right`, which stretches.
inline QSplitter* layOutFolderTab(QWidget* tab, QWidget* bar, QWidget* folderBox, QWidget* treeBox,
                                  QWidget* fileList, QLayout* middle, QLayout* right)
{
    auto* files = new QWidget(tab);
    auto* left = new QVBoxLayout(files);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(folderBox);
    left->addWidget(treeBox);
    left->addWidget(fileList, 1);
    auto* fields = new QWidget(tab);
    auto* body = new QHBoxLayout(fields);
    body->setContentsMargins(0, 0, 0, 0);
    if (middle)
        body->addLayout(middle);
    body->addLayout(right, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, tab);
    splitter->setObjectName(tab->objectName() + QStringLiteral("Splitter"));
    splitter->addWidget(files);
    splitter->addWidget(fields);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kFileListWidth, 2 * kFileListWidth});

    auto* page = new QVBoxLayout(tab);
    page->setContentsMargins(4, 2, 4, 4);
    page->addWidget(bar);
    page->addWidget(splitter, 1);
    return splitter;
}
