// The "Help" tab: the topic tree and the page browser beside it.
#include "form1.h"


#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

#include <map>

namespace {

constexpr int kTreeWidth = 241;
constexpr int kTreeIndent = 19;

} // namespace

const std::array<HelpTopic, 8> HelpTopicTable = {{
    {"Main", "", "help/main.html"},
    {"Playlists", "", "help/mainplaylist.html"},
    {"Create a new playlist", "Playlists", "help/playlistcreate.html"},
    {"Edit a playlist", "Playlists", "help/playlistedit.html"},
    {"Search files to create/edit a playlist", "Playlists", "help/playlistsearch.html"},
    {"Editing ID3 Tags", "", "help/maineditID3.html"},
    {"Filename Edit", "", "help/mainfilenameedit.html"},
    {"File Search", "", "help/mainfilesearch.html"},
}};

void TForm1::buildHelpTab()
{
    QWidget* tab = TabSheet5;
    TreeView1 = new QTreeWidget(tab);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setFixedWidth(kTreeWidth);
    TreeView1->setIndentation(kTreeIndent);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    std::map<std::string, QTreeWidgetItem*> topLevel;
    for (const HelpTopic& topic : HelpTopicTable) {
        const QStringList caption{QString::fromLatin1(topic.caption)};
        auto* item = *topic.parent ? new QTreeWidgetItem(topLevel.at(topic.parent), caption)
                                   : new QTreeWidgetItem(TreeView1, caption);
        if (!*topic.parent)
            topLevel[topic.caption] = item;
    }
    TreeView1->collapseAll();

    WebBrowserHelp = new QTextBrowser(tab);
    WebBrowserHelp->setObjectName(QStringLiteral("WebBrowserHelp"));
    WebBrowserHelp->setOpenExternalLinks(true);

    auto* layout = new QHBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(TreeView1);
    layout->addWidget(WebBrowserHelp, 1);
}

void TForm1::wireHelpTab()
{
    // TreeView1Click runs from the event filter on the tree's viewport: every click counts,
    // including one on the topic that is already selected.
}

void TForm1::ShowHelpMainPage()
{
    TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    TreeView1Click();
}

void TForm1::TreeView1Click()
{
    const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
    if (selected.isEmpty())
        return;
    const QString caption = selected.first()->text(0);
    for (const HelpTopic& topic : HelpTopicTable) {
        if (caption != QString::fromLatin1(topic.caption))
            continue;
        const QString path = m_installDir + QString::fromLatin1(topic.page);
        if (QFileInfo(path).isFile()) {
            const QUrl url = QUrl::fromLocalFile(path);
            if (WebBrowserHelp->source() == url)
                WebBrowserHelp->reload();
            else
                WebBrowserHelp->setSource(url);
        } else {
            // Stands in for a browser's own "page not found" page.
            WebBrowserHelp->setHtml(QStringLiteral("<h2>Page not found</h2><p>%1</p>")
                                        .arg(path.toHtmlEscaped()));
        }
        return;
    }
}
