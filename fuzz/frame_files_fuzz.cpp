// Frame-file matching over a folder listing: the first four bytes choose the type, the preferred
// type and the range; the rest, as UTF-16 code units split at line feeds, are the prefix, the
// type's extension and the file names.
#include <algorithm>
#include <climits>

#include "core/numtext.h"
#include "framestore/frame_files.h"
#include "fuzz_check.h"

namespace {

using namespace kino;
using fuzz::Require;

struct ListedFolder : FileSystem {
    std::vector<Text> names;
    bool EntryExists(TextView) override { return true; }
    bool FolderExists(TextView) override { return true; }
    void ListVisibleFiles(TextView, std::vector<Text>& out) override {
        out.insert(out.end(), names.begin(), names.end());
    }
    Text LowerCase(TextView text) override {
        Text out(text);
        for (char16_t& c : out)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
        return out;
    }
};

Text TypeExtension(std::int32_t type) { return type == 0 ? u"jpg" : type == 1 ? u"bmp" : u"png"; }

void CheckRun(const FrameFileMatch& match, const FrameRun& run) {
    Require(run.first <= run.last, "a run goes up");
    for (std::int64_t n = run.first; n <= run.last; ++n)
        Require(match.count(static_cast<std::int32_t>(n)) == 1, "a run is unbroken");
    Require(run.first == INT32_MIN || match.count(run.first - 1) == 0, "a run starts where the numbers break");
    Require(run.last == INT32_MAX || match.count(run.last + 1) == 0, "a run ends where the numbers break");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::int32_t type = data[0] % 3, preferred = data[1] % 3;
    const std::int32_t first = static_cast<std::int8_t>(data[2]), last = first + data[3] % 64;
    std::vector<Text> fields{Text()};
    for (char16_t c : fuzz::CodeUnits(data + 4, size - 4)) {
        if (c == u'\n') fields.emplace_back();
        else fields.back().push_back(c);
    }
    fields.resize(std::max<std::size_t>(fields.size(), 2));
    const Text prefix = fields[0], extension = fields[1];
    ListedFolder folder;
    folder.names.assign(fields.begin() + 2, fields.end());

    const FrameFileMatch match = MatchFrameFiles(folder.names, prefix, type, extension, folder);
    for (const auto& [number, file] : match) {
        Require(std::find(folder.names.begin(), folder.names.end(), file.name) != folder.names.end(), "a listed file");
        Require(FrameNumberOf(NumberValue(file.digits)) == number, "the digits write the number");
        Require(folder.LowerCase(file.name).starts_with(folder.LowerCase(prefix) + file.digits + u"."),
                "prefix, digits, a dot and the extension");
        CheckRun(match, RunAround(match, number));
    }
    const FrameScan scan = ScanFrameFiles(u"C:\\frames", prefix, type, extension, first, last, folder);
    const std::int64_t end = scan.firstMissing ? *scan.firstMissing : std::int64_t{last} + 1;
    Require(end >= first && end <= std::int64_t{last} + 1, "the first missing number is in the range");
    Require(scan.paths.size() == static_cast<std::size_t>(end - first),
            "a file for every number up to the first missing one");
    for (const Text& name : folder.names) {
        const NameParts parts = SplitTrailingNumber(name);
        Require(parts.prefix + parts.digits == name, "the split keeps the name");
        Require(!parts.number || FrameNumberOf(NumberValue(parts.digits)) == parts.number, "trailing digits");
    }
    if (const std::optional<FrameRun> run = OnlySequence(folder.names, preferred, TypeExtension, folder)) {
        const FrameFileMatch its = MatchFrameFiles(folder.names, run->prefix, run->typeIndex,
                                                   TypeExtension(run->typeIndex), folder);
        CheckRun(its, *run);
    }
    return 0;
}
