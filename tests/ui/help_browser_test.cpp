// Help topics open their pages under the install folder; clicks elsewhere open nothing.
#include "window_fixture.h"

#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

using testsupport::writeFile;

class HelpBrowser : public WindowFixture {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("help"));
        for (const HelpTopic& topic : HelpTopicTable)
            writeFile(dir.file(topic.page), testsupport::bytesOf(std::string("<p>") + topic.caption + "</p>"));
        writeSetup("");
        ASSERT_TRUE(start());
        window->resize(808, 570);
        window->show();
        window->PageControl1->setCurrentWidget(window->TabSheet5);
        QApplication::processEvents();
    }
    void click(QTreeWidgetItem* item)
    {
        QTreeWidget* tree = window->TreeView1;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    QTreeWidgetItem* topic(const char* caption) const
    {
        return window->TreeView1->findItems(QString::fromLatin1(caption),
                                            Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    QString shownPage() const { return window->WebBrowserHelp->source().toLocalFile(); }
};

TEST_F(HelpBrowser, TreeHoldsFiveCollapsedTopicsAndTheMainPageShowsAtOnce)
{
    EXPECT_EQ(5, window->TreeView1->topLevelItemCount());
    EXPECT_EQ(3, topic("Playlists")->childCount());
    EXPECT_FALSE(topic("Playlists")->isExpanded());
    EXPECT_EQ(qs(dir.file("help/main.html")), shownPage());
    EXPECT_EQ(QStringLiteral("Main"), window->WebBrowserHelp->toPlainText());
}

TEST_F(HelpBrowser, ClickingATopicShowsItsPage)
{
    click(topic("Playlists"));
    EXPECT_EQ(qs(dir.file("help/mainplaylist.html")), shownPage());
    topic("Playlists")->setExpanded(true);
    click(topic("Edit a playlist"));
    EXPECT_EQ(qs(dir.file("help/playlistedit.html")), shownPage());
    EXPECT_TRUE(window->WebBrowserHelp->toPlainText().contains(QStringLiteral("Edit a playlist")));
}

TEST_F(HelpBrowser, ClickOnEmptySpaceKeepsThePageShown)
{
    click(topic("File Search"));
    QTreeWidget* tree = window->TreeView1;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(10, tree->viewport()->height() - 5));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(qs(dir.file("help/mainfilesearch.html")), shownPage());
}

TEST_F(HelpBrowser, MissingPageShowsANotFoundPageInTheBrowser)
{
    std::filesystem::remove(dir.file("help/main.html"));
    click(topic("Main"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(window->WebBrowserHelp->toPlainText().contains(QStringLiteral("not found")));
}
