// musicdirs.xml: which entries are folders, how removal and adding change the file, and a
// write that fails half-way.
#include "app/music_folders.h"
#include "support/test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace testsupport;

namespace {

class MusicFolders : public ::testing::Test {
protected:
    void load(const std::string& xml)
    {
        writeFile(path(), bytesOf(xml));
        document.load(QFile::decodeName(path().c_str()));
    }
    std::string path() const { return dir.file("musicdirs.xml"); }
    std::string text() const
    {
        const Bytes b = readFile(path());
        return std::string(b.begin(), b.end());
    }

    TempDir dir;
    MusicFolderDocument document;
};

// Makes writes past `bytes` fail the way a full disk does, for the life of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

} // namespace

TEST_F(MusicFolders, ListsFromTheFirstFolderElementOnward)
{
    load("<list><other>/before/</other><folder>/a/</folder><folder></folder>"
         "<disk>/after/</disk><!-- note --><folder>/b/</folder></list>");
    EXPECT_EQ(QStringList({"/a/", "/after/", "/b/"}), document.listedFolders());
    EXPECT_FALSE(document.isListed(QStringLiteral("/before/")));
    EXPECT_FALSE(document.isListed(QStringLiteral("/A/"))); // exact, case-sensitive
}

TEST_F(MusicFolders, DocumentWithoutFoldersGetsItsFirstOnAdd)
{
    load("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library><note>kept</note></library>");
    EXPECT_TRUE(document.listedFolders().isEmpty());
    document.append(QStringLiteral("/music/"));

    const std::string saved = text();
    EXPECT_EQ(0u, saved.find("<?xml version")); // the declaration stays first
    EXPECT_NE(std::string::npos, saved.find("<note>kept</note>"));
    EXPECT_NE(std::string::npos, saved.find("<folder>/music/</folder>"));
    EXPECT_NE(std::string::npos, saved.find("</library>"));
}

TEST_F(MusicFolders, ClearingKeepsTheElementAndReaddingAppendsAnother)
{
    load("<m><folder>/a/</folder><folder>/b/</folder></m>");
    document.clearChildText(0);
    document.append(QStringLiteral("/a/"));
    EXPECT_EQ(3, document.childCount());
    EXPECT_EQ(QString(), document.childText(0));

    MusicFolderDocument reread;
    reread.load(QFile::decodeName(path().c_str()));
    EXPECT_EQ(QStringList({"/b/", "/a/"}), reread.listedFolders());
}

TEST_F(MusicFolders, FailedWriteLeavesTheOldFileWholeAndKeepsTheChange)
{
    const std::string original = "<m><folder>/a/</folder></m>";
    load(original);
    const QString longPath = QStringLiteral("/") + QString(4000, QLatin1Char('x')) + QStringLiteral("/");
    {
        const FileSizeLimit diskFull(1024);
        EXPECT_THROW(document.append(longPath), std::runtime_error);
    }
    EXPECT_EQ(original, text());
    EXPECT_TRUE(document.isListed(longPath));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ("musicdirs.xml", entry.path().filename().string()); // no stray partial file
}

TEST_F(MusicFolders, MissingOrMalformedFileIsAnErrorWithTheReadersText)
{
    EXPECT_THROW(document.load(QFile::decodeName(path().c_str())), std::runtime_error);
    writeFile(path(), bytesOf("<m><folder></m>"));
    try {
        document.load(QFile::decodeName(path().c_str()));
        FAIL() << "malformed file was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("line 1"));
    }
}
