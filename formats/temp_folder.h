// Temporary folders for packaged formats: a new private folder in the
// system's temporary folder, and its removal with everything in it.
#pragma once

#include <string>

namespace torvane {

// Creates "Torvane-<thread id>-<n>" (mode 0700) in the temporary folder
// ($TMPDIR, else /tmp) with the first n from 1 whose name does not exist yet;
// never reuses a folder someone else made. Its path, or empty on failure.
std::string CreateTemporaryFolder();

// Removes the folder and its contents; false when something could not be
// removed.
bool RemoveTemporaryFolder(const std::string& folder);

}  // namespace torvane
