// Tests of the tab's plain data: what a selection shows, and which fields a save writes.
#include "features/tagedit/frame_names.h"
#include "features/tagedit/frame_table.h"
#include "features/tagedit/tag_view.h"
#include "support/id3v2_builder.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;

namespace {

Bytes text(const std::string& s) { return concat({{0}, bytesOf(s)}); }

std::size_t moreIndex(const char* name)
{
    const auto& more = moreFields();
    return static_cast<std::size_t>(std::find(more.begin(), more.end(), namedField(name)) - more.begin());
}

class TagView : public ::testing::Test {
protected:
    std::string song(const std::string& title, const std::string& albumArtist)
    {
        Id3v2Bytes tag(3);
        tag.frame("TIT2", text(title)).frame("TPE1", text("Band")).frame("TALB", text("LP"));
        if (!albumArtist.empty())
            tag.frame("TPE2", text(albumArtist));
        return dir.write(title + ".mp3", concat({tag.padding(64).bytes(), audioPattern(2000)}));
    }
    TempDir dir;
    Tid3tag v1;
    Tid3v2tag v2;
};

} // namespace

// Nothing that is not shown as changed is written.
TEST_F(TagView, ASaveWritesOnlyWhatThePersonChanged)
{
    const std::vector<std::string> paths = {song("One", "Various"), song("Two", "")};
    ShownFiles shown{paths, {}, readSelectionView(paths, v1, v2).differs};
    shown.state.more.resize(moreFields().size());
    shown.state.v2.texts[fieldIndex(TagField::Album)] = "LP";
    TagViewState now = shown.state;
    const std::size_t title = fieldIndex(TagField::Title), album = fieldIndex(TagField::Album);
    const std::size_t albumArtist = moreIndex("albumartist"), composer = moreIndex("composer");
    now.v2.checked[title] = now.v2.checked[album] = true;          // checked, left as shown
    now.more[albumArtist].checked = now.more[composer].checked = true;
    now.more[composer].text = "Bach";                               // shared (empty) value changed
    BatchSaveRequest request = buildSaveRequest(now, shown, paths);
    EXPECT_FALSE(request.v2[TagField::Title].enabled || request.v2[TagField::Album].enabled);
    ASSERT_EQ(1u, request.v2.edits.size());
    EXPECT_EQ("composer", std::string(request.v2.edits[0].field->name));

    // A field whose files differ is written once typed into, even emptied.
    now.v2.edited[title] = now.more[albumArtist].edited = true;
    request = buildSaveRequest(now, shown, paths);
    EXPECT_TRUE(request.v2[TagField::Title].enabled);
    EXPECT_EQ(2u, request.v2.edits.size());
    // Other files than those shown: every checked field.
    request = buildSaveRequest(now, shown, {paths[0]});
    EXPECT_TRUE(request.v2[TagField::Album].enabled);

    // After the save the typed texts are what the fields compare with.
    BatchSaveOutcome outcome;
    for (const std::string& path : paths)
        outcome.files.push_back({path, {}, {TagResult(kOk), false, {}, {}}});
    noteSaved(shown, now, buildSaveRequest(now, shown, paths), outcome);
    EXPECT_FALSE(shown.differs.more[albumArtist] || shown.differs.v2[title]);
    EXPECT_EQ("Bach", shown.state.more[composer].text);
    now.v2.edited[title] = now.more[albumArtist].edited = false;
    EXPECT_TRUE(buildSaveRequest(now, shown, paths).v2.edits.empty());
}

TEST(FrameTable, RowsNameEachFrameAndRefuseWhatTextCannotSet)
{
    Tid3v2tag tag;
    tag.Version = 4;
    FrameValue popm;
    popm.kind = FrameKind::Popularimeter;
    popm.rating = 196;
    ASSERT_EQ(textresult::kOk, tag.SetFrame({"POPM", "a@b", {}}, popm));
    FrameValue priv;
    priv.kind = FrameKind::OwnedData;
    priv.data = {0, 1, 2};
    ASSERT_EQ(textresult::kOk, tag.SetFrame({"PRIV", "owner", {}}, priv));
    FrameValue mood;
    mood.kind = FrameKind::UserText;
    mood.texts = {"calm"};
    ASSERT_EQ(textresult::kOk, tag.SetFrame({"TXXX", "MOOD", {}}, mood));
    const std::vector<FrameRow> rows = frameRows(tag);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("4", rows[0].value); // stars
    EXPECT_TRUE(rows[0].editable);
    EXPECT_EQ("3 bytes", rows[1].value);
    EXPECT_FALSE(rows[1].editable);
    EXPECT_EQ("TXXX:MOOD", rows[2].key);
    EXPECT_EQ("User text", rows[2].name);

    FieldEdit edit;
    EXPECT_FALSE(frameEditOf("txxx:MOOD", "sad", edit));
    EXPECT_EQ("TXXX", edit.key.id);
    EXPECT_TRUE(frameEditOf("TPOS", "one", edit));   // a named field's rule
    EXPECT_TRUE(frameEditOf("APIC", "x", edit));     // a picture comes from an image file
    EXPECT_TRUE(frameEditOf("T?", "x", edit));
    std::vector<FieldEdit> edits;
    addFrameEdit(edits, edit = FieldEdit{nullptr, {"TXXX", "MOOD", {}}, Utf8Text("sad")});
    addFrameEdit(edits, frameRemoval("TXXX:MOOD"));
    ASSERT_EQ(1u, edits.size());
    EXPECT_FALSE(edits[0].text);
    EXPECT_EQ("", frameIdName("ZZZZ"));
}
