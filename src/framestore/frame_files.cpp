#include "framestore/frame_files.h"

#include <iterator>
#include <utility>

#include "framestore/framestore.h"

namespace kino {
namespace {

constexpr std::int64_t kLargestMagnitude = std::int64_t{1} << 31;  // of a negative 32-bit number

// An optional minus sign and one or more ASCII digits, as a 32-bit number; "-0" is none.
std::optional<std::int32_t> NumberOfDigits(TextView text) {
    const bool negative = !text.empty() && text.front() == u'-';
    const TextView digits = negative ? text.substr(1) : text;
    if (digits.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > kLargestMagnitude) return std::nullopt;  // stops before any overflow
    }
    if (negative) {
        if (value == 0) return std::nullopt;
        return static_cast<std::int32_t>(-value);
    }
    if (value >= kLargestMagnitude) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::size_t DigitCount(TextView digits) { return digits.size() - (digits.front() == u'-' ? 1 : 0); }


}  // namespace

std::optional<std::int32_t> TypeIndexOfExtension(TextView extension) {
    for (std::int32_t type = 0; type < 3; ++type)
        if (TypeAcceptsExtension(type, extension)) return type;
    return std::nullopt;
}

FrameFileMatch MatchFrameFiles(const std::vector<Text>& names, TextView prefix, std::int32_t typeIndex,
                               TextView extension, FileSystem& files) {
    const Text lowerPrefix = files.LowerCase(prefix);
    const Text ownExtension = files.LowerCase(extension);
    struct Candidate {
        FrameFile file;
        std::size_t digitCount;
        bool otherExtension;
    };
    std::map<std::int32_t, Candidate> best;
    for (const Text& name : names) {
        const std::size_t dot = name.rfind(u'.');
        if (dot == Text::npos || dot <= prefix.size()) continue;
        // The system's lower-case mapping keeps the length, so positions stay.
        const Text lower = files.LowerCase(name);
        if (TextView(lower).substr(0, prefix.size()) != lowerPrefix) continue;
        const TextView lowerExtension = TextView(lower).substr(dot + 1);
        if (!TypeAcceptsExtension(typeIndex, lowerExtension)) continue;
        const TextView digits = TextView(name).substr(prefix.size(), dot - prefix.size());
        const std::optional<std::int32_t> number = NumberOfDigits(digits);
        if (!number) continue;
        Candidate candidate{{name, Text(digits)}, DigitCount(digits), lowerExtension != ownExtension};
        const auto [at, inserted] = best.try_emplace(*number, candidate);
        if (!inserted && std::pair(candidate.digitCount, candidate.otherExtension) <
                             std::pair(at->second.digitCount, at->second.otherExtension))
            at->second = std::move(candidate);
    }
    FrameFileMatch match;
    for (auto& [number, candidate] : best) match.emplace_hint(match.end(), number, std::move(candidate.file));
    return match;
}

FrameScan ScanFrameFiles(TextView folder, TextView prefix, std::int32_t typeIndex, TextView extension,
                         std::int32_t first, std::int32_t last, FileSystem& files) {
    // A prefix's folder part ("sub\" of "sub\img") is what is listed.
    const std::size_t cut = prefix.find_last_of(u"\\/");
    const TextView folderPart = cut == TextView::npos ? TextView() : prefix.substr(0, cut + 1);
    Text listed(folder);
    if (!folderPart.empty()) {
        if (listed.empty() || listed.back() != u'\\') listed += u'\\';
        listed += folderPart;
    }
    // A folder that can't be listed has no frame files; a listing that broke off has those
    // it gave.
    std::vector<Text> names;
    try {
        files.ListVisibleFiles(listed, names);
    } catch (const FileSystemError&) {
    }
    const FrameFileMatch match = MatchFrameFiles(names, prefix.substr(folderPart.size()), typeIndex, extension, files);

    if (listed.empty() || listed.back() != u'\\') listed += u'\\';

    // 64-bit, so that a range ending at 2147483647 ends.
    FrameScan scan;
    for (std::int64_t n = first; n <= last; ++n) {
        const auto found = match.find(static_cast<std::int32_t>(n));
        if (found == match.end()) {
            scan.firstMissing = static_cast<std::int32_t>(n);
            break;
        }
        scan.paths.push_back(listed + found->second.name);
    }
    return scan;
}

FrameRun RunAround(const FrameFileMatch& match, std::int32_t number) {
    auto low = match.find(number), high = low;
    for (auto before = low; before != match.begin() && std::int64_t{std::prev(before)->first} + 1 == before->first;)
        low = --before;
    for (auto after = std::next(high); after != match.end() && std::int64_t{high->first} + 1 == after->first; ++after)
        high = after;
    FrameRun run;
    run.first = low->first;
    run.last = high->first;
    run.firstDigits = low->second.digits;
    run.lastDigits = high->second.digits;
    return run;
}

NameParts SplitTrailingNumber(TextView stem) {
    std::size_t start = stem.size();
    while (start > 0 && stem[start - 1] >= u'0' && stem[start - 1] <= u'9') --start;
    NameParts parts{Text(stem.substr(0, start)), Text(stem.substr(start)), std::nullopt};
    if (!parts.digits.empty()) parts.number = NumberOfDigits(parts.digits);
    return parts;
}

std::optional<FrameRun> OnlySequence(const std::vector<Text>& names, std::int32_t preferredType,
                                     const std::function<Text(std::int32_t)>& typeExtension, FileSystem& files) {
    // The numbered names by type and prefix (letter case ignored); a group with two numbers
    // or more is a sequence.
    struct Group {
        Text prefix;  // as the first of its names writes it
        std::int32_t firstNumber = 0;
        bool sequence = false;
    };
    std::map<std::pair<std::int32_t, Text>, Group> groups;
    for (const Text& name : names) {
        const std::size_t dot = name.rfind(u'.');
        if (dot == Text::npos) continue;
        const std::optional<std::int32_t> type = TypeIndexOfExtension(files.LowerCase(TextView(name).substr(dot + 1)));
        if (!type) continue;
        NameParts parts = SplitTrailingNumber(TextView(name).substr(0, dot));
        if (!parts.number) continue;
        const auto [at, inserted] = groups.try_emplace({*type, files.LowerCase(parts.prefix)});
        if (inserted) {
            at->second.prefix = std::move(parts.prefix);
            at->second.firstNumber = *parts.number;
        } else if (*parts.number != at->second.firstNumber) {
            at->second.sequence = true;
        }
    }
    std::vector<std::pair<std::int32_t, const Group*>> ofPreferred, all;
    for (const auto& [key, group] : groups) {
        if (!group.sequence) continue;
        all.emplace_back(key.first, &group);
        if (key.first == preferredType) ofPreferred.emplace_back(key.first, &group);
    }
    const auto& candidates = ofPreferred.empty() ? all : ofPreferred;
    if (candidates.size() != 1) return std::nullopt;

    const auto [type, group] = candidates.front();
    const FrameFileMatch match = MatchFrameFiles(names, group->prefix, type, typeExtension(type), files);
    FrameRun longest;
    std::int64_t longestLength = 0;
    for (auto at = match.begin(); at != match.end();) {
        FrameRun run = RunAround(match, at->first);
        at = match.upper_bound(run.last);
        const std::int64_t length = std::int64_t{run.last} - run.first + 1;
        if (length > longestLength) {
            longestLength = length;
            longest = std::move(run);
        }
    }
    longest.prefix = group->prefix;
    longest.typeIndex = type;
    return longest;
}

}  // namespace kino
