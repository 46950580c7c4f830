#include "framestore/frame_files.h"

#include <gtest/gtest.h>

#include "app/open_sequence.h"
#include "fakes.h"

namespace kino {
namespace {

using test::Log;

TEST(MatchFrameFiles, TakesTheFewestDigitsThenTheTypesOwnExtension) {
    const struct {
        std::vector<Text> names;
        const char16_t* prefix;
        std::int32_t type;
        Log matched;  // number=name
    } rows[] = {
        {{u"f_0007.png", u"f_7.png", u"f_07.png", u"F_0008.PNG"}, u"f_", 2, {u"7=f_7.png", u"8=F_0008.PNG"}},
        {{u"w-003.png", u"w-3.png", u"w-0.png", u"w-00.png", u"w+4.png"}, u"w", 2, {u"-3=w-3.png"}},
        {{u"a2147483647.png", u"a2147483648.png", u"a-2147483648.png", u"a-2147483649.png",
          u"a99999999999999999999.png", u"a00000000000000000002.png"},
         u"a", 2, {u"-2147483648=a-2147483648.png", u"2=a00000000000000000002.png", u"2147483647=a2147483647.png"}},
        {{u"s1.jpeg", u"s1.jpg", u"s2.jpeg", u"s03.JPG", u"s3.jpeg", u"s4.bmp"}, u"s", 0,
         {u"1=s1.jpg", u"2=s2.jpeg", u"3=s3.jpeg"}},
        {{u"img1.jpg", u"img2.png.bak", u"img3", u"img.png", u"img 5.png", u"img6x.png", u"img٧.png", u"xmg8.png"},
         u"img", 2, {}},
    };
    for (const auto& row : rows) {
        test::FakeFileSystem files;
        Log matched;
        for (const auto& [n, file] : MatchFrameFiles(row.names, row.prefix, row.type, kTypeEntries[row.type], files))
            matched.push_back(DecimalText(n) + u"=" + file.name);
        EXPECT_EQ(matched, row.matched) << ::testing::PrintToString(row.names.front());
    }
}

TEST(OnlySequence, IsTheLongestRunOfTheFoldersOneSequence) {
    const struct {
        std::vector<Text> names;
        std::int32_t preferred;
        const char16_t* found;  // prefix type first..last, or "" for none
    } rows[] = {
        {{u"f_0001.png", u"f_0002.png", u"f_0003.png", u"notes.txt", u"thumb1.png"}, 0, u"f_ 2 0001..0003"},
        {{u"a1.png", u"a2.png", u"a3.png", u"a5.png", u"a6.png", u"a7.png", u"a8.png", u"a9.PNG"}, 2, u"a 2 5..9"},
        {{u"b1.png", u"b002.png", u"B3.png", u"b0003.png"}, 2, u"b 2 1..3"},
        {{u"x1.jpg", u"x2.jpeg", u"y1.png", u"y2.png"}, 2, u"y 2 1..2"},
        {{u"x1.jpg", u"x2.jpeg", u"y1.png", u"y2.png"}, 1, u""},
        {{u"z99999999998.png", u"z99999999999.png", u"z5.png", u"readme.png", u"7"}, 2, u""},
    };
    for (const auto& row : rows) {
        test::FakeFileSystem files;
        const auto run = OnlySequence(row.names, row.preferred, [](std::int32_t t) { return kTypeEntries[t]; }, files);
        const Text type = run ? u" " + DecimalText(run->typeIndex) + u" " : u"";
        EXPECT_EQ(run ? run->prefix + type + run->firstDigits + u".." + run->lastDigits : u"", row.found);
    }
}

TEST(ScanFrameFiles, ListsOnceAndStopsAtTheFirstNumberWithoutAVisibleFile) {
    test::FakeFileSystem files;
    for (const char16_t* name : {u"img001.png", u"img002.png", u"img3.png", u"img004.png"})
        files.AddFile(u"C:\\f\\sub", name);
    files.hidden.insert(u"C:\\f\\sub\\img004.png");
    FrameScan scan = ScanFrameFiles(u"C:\\f", u"sub\\img", 2, u"png", 1, 9, files);
    EXPECT_EQ(scan.paths, (Log{u"C:\\f\\sub\\img001.png", u"C:\\f\\sub\\img002.png", u"C:\\f\\sub\\img3.png"}));
    EXPECT_EQ(scan.firstMissing, 4);
    EXPECT_EQ(files.listed, Log{u"C:\\f\\sub\\"});
    EXPECT_EQ(ScanFrameFiles(u"C:\\nowhere", u"img", 2, u"png", 5, 9, files).firstMissing, 5);
}

// Dropping a path, or choosing a folder, on a form whose fields hold what was typed before.
TEST(OpenSequence, DropsAndChosenFoldersFillTheFields) {
    const Text refused = u"info=类型错误：不能打开", only = u"，只能打开jpg、jpeg、bmp或png图像。";
    const struct {
        const char16_t* path;
        bool chosen;  // through the folder dialog rather than dropped
        const char16_t *prefix, *first, *last;
        Log writes;
    } rows[] = {
        {u"C:\\f\\frame_0003.png", false, u"x", u"1", u"2",
         {u"folder=C:\\f", u"type=2", u"prefix=frame_", u"first=0001", u"last=0005"}},
        {u"C:\\f\\frame_0008.png", false, u"", u"", u"",
         {u"folder=C:\\f", u"type=2", u"prefix=frame_", u"first=0008", u"last=0008"}},
        {u"C:\\f\\clip.BMP", false, u"x", u"1", u"2", {u"folder=C:\\f", u"type=1", u"prefix=clip"}},
        {u"C:\\a7.jpeg", false, u"", u"", u"", {u"folder=C:\\", u"type=0", u"prefix=a", u"first=7", u"last=7"}},
        {u"C:\\f\\film.lnk", false, u"x", u"1", u"2", {refused + u"film.lnk" + only}},
        {u"C:\\f\\README", false, u"", u"", u"", {refused + u"README" + only}},
        {u"C:\\f", false, u"", u"", u"", {u"folder=C:\\f", u"prefix=frame_", u"type=2", u"first=0001", u"last=0005"}},
        {u"C:\\f", true, u"", u"3", u"", {u"folder=C:\\f", u"prefix=frame_", u"type=2", u"last=0005"}},
        {u"C:\\f", true, u"x", u"", u"", {u"folder=C:\\f"}},
        {u"", true, u"", u"", u"", {u"folder="}},
    };
    for (const auto& row : rows) {
        test::FakeFileSystem files;
        for (const char16_t* name : {u"frame_0001.png", u"frame_0002.png", u"frame_0003.png", u"frame_0004.png",
                                     u"frame_0005.png", u"frame_0008.png", u"clip.BMP", u"film.lnk", u"README"})
            files.AddFile(u"C:\\f", name);
        files.folders[u"C:\\"];
        test::FakeForm form;
        form.prefix = row.prefix;
        form.first = row.first;
        form.last = row.last;
        if (row.chosen) OpenFolder(form, files, row.path);
        else OpenDroppedPath(form, files, row.path);
        EXPECT_EQ(form.writes, row.writes) << ::testing::PrintToString(Text(row.path));
    }
}

// A frame whose file failed to decode shows nothing (no draw, which would report an error).
TEST(FrameStore, DrawsAFrameAndNothingForOneThatFailed) {
    test::FakeImages images;
    test::FakeForm surface;
    ShowFrame(surface, images.Own(u"a1.jpg"), 5, -6, images);
    ShowFrame(surface, OwnedImage(), 5, -6, images);
    EXPECT_EQ(images.drawn, (Log{u"a1.jpg@5,-6"}));
}

}  // namespace
}  // namespace kino
