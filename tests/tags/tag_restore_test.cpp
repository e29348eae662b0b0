// Tests of putting back the bytes a save replaced at the two ends of a file.
#include "support/test_support.h"
#include "tags/file/tag_restore.h"

#include <gtest/gtest.h>

using namespace testsupport;

// Each case: the file now (new head, middle, new tail), and what goes back in place of the ends.
TEST(TagRestore, PutsBothEndsBackAroundTheMovedMiddle)
{
    struct Case {
        std::size_t newHead, middle, newTail, oldHead, oldTail;
    };
    const Case cases[] = {
        {4096, 50000, 128, 700, 0},    // the tag had grown and a record was appended
        {300, 50000, 128, 20000, 128}, // the tag had shrunk; the record was overwritten
        {0, 40000, 128, 5000, 128},    // the save removed nothing and added nothing at the head
        {2000, 0, 0, 9000, 0},         // no audio at all
        {9000, 0, 128, 100, 0},
        {100, 17000, 0, 100, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const Bytes middle = audioPattern(c.middle, 7);
        const Bytes oldHead = audioPattern(c.oldHead, 3), oldTail = audioPattern(c.oldTail, 5);
        const std::string path =
            dir.write("f.mp3", concat({audioPattern(c.newHead, 11), middle, audioPattern(c.newTail, 13)}));
        ASSERT_EQ(kOk, restoreTagBytes(path, oldHead, oldTail, TagExtents{c.newHead, c.newTail}));
        EXPECT_EQ(concat({oldHead, middle, oldTail}), readFile(path)) << c.newHead << "/" << c.oldHead;
    }
}

TEST(TagRestore, RefusesWithoutTouchingAFileTooShortOrProtected)
{
    TempDir dir;
    const Bytes bytes = audioPattern(1000);
    const std::string path = dir.write("f.mp3", bytes);
    EXPECT_EQ(kErrFileTooShort, restoreTagBytes(path, Bytes(10), {}, TagExtents{900, 128}));
    makeReadOnly(path);
    EXPECT_EQ(kErrReadOnly, restoreTagBytes(path, Bytes(10), {}, TagExtents{100, 0}));
    EXPECT_EQ(bytes, readFile(path));
    EXPECT_EQ(kErrOpen, restoreTagBytes(dir.file("none.mp3"), {}, {}, TagExtents{}));
}
