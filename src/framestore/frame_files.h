// Frame files as people name them: the number written with or without leading zeros
// (walk7.png, walk07.png, walk0007.png), found from one listing of the folder.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "core/platform.h"
#include "core/text.h"
#include "framestore/framestore.h"

namespace kino {

// The file that names one frame number.
struct FrameFile {
    Text name;    // no folder
    Text digits;  // the number as the name writes it: "7", "0007", "-003"
};

// Frame number -> the file that names it.
using FrameFileMatch = std::map<std::int32_t, FrameFile>;

// The type index (0 jpg/jpeg, 1 bmp, 2 png) whose files have this lower-case extension.
std::optional<std::int32_t> TypeIndexOfExtension(TextView extension);

// The files among names that are prefix, a number, "." and an extension the type accepts,
// letter case ignored as the file system ignores it. The number may have leading zeros and,
// when negative, its minus sign before them; numbers beyond 32 bits are no frame numbers.
// Where several files name one number, the fewest digits win (so the plain name, prefix7.png, where
// it exists), then the one whose extension is `extension` itself (s1.jpg before s1.jpeg, for the
// type list's "jpg"), then the first listed.
FrameFileMatch MatchFrameFiles(const std::vector<Text>& names, TextView prefix, std::int32_t typeIndex,
                               TextView extension, FileSystem& files);

// The frames of first..last as the Start/Stop command finds them, up to the first number that
// has no file: each number's file, which is what the start then loads (the check and the load
// take the same file for each number).
struct FrameScan {
    std::vector<Text> paths;  // in number order, from first
    std::optional<std::int32_t> firstMissing;
};

// Lists the folder once. The prefix may reach into a subfolder ("sub\img"): that subfolder is
// listed.
FrameScan ScanFrameFiles(TextView folder, TextView prefix, std::int32_t typeIndex, TextView extension,
                         std::int32_t first, std::int32_t last, FileSystem& files);

// A numbered sequence: its prefix and type, and the ends of one unbroken run of numbers
// with their digits as the file names write them.
struct FrameRun {
    Text prefix;
    std::int32_t typeIndex = 0;
    std::int32_t first = 0, last = 0;
    Text firstDigits, lastDigits;
};

// The unbroken run of numbers in match around number (which must be in it).
FrameRun RunAround(const FrameFileMatch& match, std::int32_t number);

// A file name's stem split before its trailing digits; digits is empty when there are none,
// and number is empty when there are none or they name a number beyond 32 bits.
struct NameParts {
    Text prefix, digits;
    std::optional<std::int32_t> number;
};
NameParts SplitTrailingNumber(TextView stem);

// The folder's one numbered sequence (two numbers or more under one prefix and type): of
// type preferredType, or, when the folder has none of it, of any type. Nothing when there
// are several. Its run is the longest unbroken one (the first of equals). typeExtension
// gives the list's text for a type index.
std::optional<FrameRun> OnlySequence(const std::vector<Text>& names, std::int32_t preferredType,
                                     const std::function<Text(std::int32_t)>& typeExtension, FileSystem& files);

}  // namespace kino
