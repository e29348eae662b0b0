// Which fields the tab's save writes, from the state of its controls.
#include "features/tagedit/tag_view.h"

#include <gtest/gtest.h>

namespace {

TagViewState allChecked(const std::string& title)
{
    TagViewState s;
    s.v1.checked.fill(true);
    s.v2.checked.fill(true);
    s.v1.texts[fieldIndex(TagField::Title)] = title;
    s.v2.texts[fieldIndex(TagField::Title)] = title;
    s.genreIndex = 3;
    return s;
}

} // namespace

TEST(TagViewSave, OnlyTheShownFileComparesWithWhatWasShown)
{
    const ShownFile shown{"/m/a.mp3", allChecked("Old")};
    TagViewState now = allChecked("Old");
    now.v2.texts[fieldIndex(TagField::Year)] = "2001";

    const BatchSaveRequest same = buildSaveRequest(now, shown, {"/m/a.mp3"}).request;
    EXPECT_FALSE(same.v1.title.enabled || same.v2.title.enabled || same.v1.genreEnabled || same.v1.year.enabled);
    EXPECT_TRUE(same.v2.year.enabled);
    EXPECT_EQ("2001", same.v2.year.text);

    // Another file, or several: every checked field is written.
    for (const std::vector<std::string>& files : {std::vector<std::string>{"/m/b.mp3"},
                                                  std::vector<std::string>{"/m/a.mp3", "/m/b.mp3"}}) {
        const BatchSaveRequest r = buildSaveRequest(now, shown, files).request;
        EXPECT_TRUE(r.v1.title.enabled && r.v2.title.enabled && r.v1.genreEnabled && r.v2.comment.enabled);
        EXPECT_EQ(files, r.files);
    }
}

TEST(TagViewSave, TextBeyondLatin1IsRefusedOnlyWhereItWouldBeWritten)
{
    TagViewState now = allChecked("Caf\xc3\xa9");
    now.v2.texts[fieldIndex(TagField::Album)] = "\xe6\x9d\xb1\xe4\xba\xac"; // two CJK characters
    SaveRequestBuild build = buildSaveRequest(now, ShownFile(), {"/m/a.mp3"});
    EXPECT_NE(std::string::npos, build.refusal.find("Album field of ID3 version 2 holds \"\xe6\x9d\xb1\""));

    now.v2.checked[fieldIndex(TagField::Album)] = false;
    build = buildSaveRequest(now, ShownFile(), {"/m/a.mp3"});
    EXPECT_EQ("", build.refusal);
    EXPECT_EQ("Caf\xe9", build.request.v1.title.text);
    EXPECT_FALSE(build.request.v2.album.enabled);

    now.v2.checked[fieldIndex(TagField::Album)] = true;
    now.v2.master = false;
    EXPECT_EQ("", buildSaveRequest(now, ShownFile(), {"/m/a.mp3"}).refusal);
}
