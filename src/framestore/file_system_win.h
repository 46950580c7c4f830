// The file-system seam over Win32: existence tests, folder listing, lower-casing.
#pragma once
#include "core/platform.h"

namespace kino {

class Win32FileSystem final : public FileSystem {
public:
    bool EntryExists(TextView path) override;
    bool FolderExists(TextView path) override;
    void ListVisibleFiles(TextView folder, std::vector<Text>& names) override;
    Text LowerCase(TextView text) override;
};

}  // namespace kino
