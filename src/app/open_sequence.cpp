#include "app/open_sequence.h"

#include <vector>

#include "framestore/frame_files.h"

namespace kino {
namespace {

// A folder that can't be listed (or only in part) offers nothing to fill in.
std::optional<std::vector<Text>> FilesIn(FileSystem& files, TextView folder) {
    std::vector<Text> names;
    try {
        files.ListVisibleFiles(folder, names);
    } catch (const FileSystemError&) {
        return std::nullopt;
    }
    return names;
}

void OpenFrameFile(FormControls& form, FileSystem& files, TextView path) {
    const std::size_t cut = path.find_last_of(u"\\/");
    const TextView name = cut == TextView::npos ? path : path.substr(cut + 1);
    Text folder(path.substr(0, cut == TextView::npos ? 0 : cut));
    if (folder.size() == 2 && folder[1] == u':') folder += u'\\';  // a drive's root, as the dialog gives it

    const std::size_t dot = name.rfind(u'.');
    const std::optional<std::int32_t> type =
        dot == TextView::npos ? std::nullopt : TypeIndexOfExtension(files.LowerCase(name.substr(dot + 1)));
    if (!type) {
        form.SetInfoText(kRefusedTypePrefix + Text(name) + kRefusedTypeSuffix);
        return;
    }
    form.SetFolderText(folder);
    form.SetTypeIndex(*type);
    const NameParts parts = SplitTrailingNumber(name.substr(0, dot));
    form.SetPrefixText(parts.prefix);
    if (!parts.number) return;  // no number, or one beyond 32 bits: the numbers stay

    // The file itself may be missing from the listing (hidden, or gone): then it is the run.
    FrameRun run{Text(), *type, *parts.number, *parts.number, parts.digits, parts.digits};
    if (const auto names = FilesIn(files, folder)) {
        const FrameFileMatch match = MatchFrameFiles(*names, parts.prefix, *type, form.TypeEntry(*type), files);
        if (match.count(*parts.number) != 0) run = RunAround(match, *parts.number);
    }
    form.SetFirstNumberText(run.firstDigits);
    form.SetLastNumberText(run.lastDigits);
}

}  // namespace

void OpenFolder(FormControls& form, FileSystem& files, TextView folder) {
    form.SetFolderText(folder);
    if (folder.empty() || !form.PrefixText().empty()) return;
    const auto names = FilesIn(files, folder);
    if (!names) return;
    const std::optional<FrameRun> run = OnlySequence(
        *names, form.TypeIndex(), [&form](std::int32_t type) { return form.TypeEntry(type); }, files);
    if (!run) return;
    form.SetPrefixText(run->prefix);
    if (run->typeIndex != form.TypeIndex()) form.SetTypeIndex(run->typeIndex);
    if (form.FirstNumberText().empty()) form.SetFirstNumberText(run->firstDigits);
    if (form.LastNumberText().empty()) form.SetLastNumberText(run->lastDigits);
}

void OpenDroppedPath(FormControls& form, FileSystem& files, TextView path) {
    if (files.FolderExists(path)) OpenFolder(form, files, path);
    else OpenFrameFile(form, files, path);
}

}  // namespace kino
