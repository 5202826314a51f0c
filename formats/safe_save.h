// Saving without ever destroying the previous file.
//
// The writer gets the path of a new temporary file in the target's folder; the
// temporary replaces the target (by rename, keeping the old file's permission
// bits) only when the writer answered 0. A failed or cancelled write, or a
// crash on the way, leaves the previous file as it was, and the temporary is
// removed. When the target is a symbolic link, the file it points to is
// replaced and the link stays.
#pragma once

#include <functional>
#include <string>

namespace torvane {

// Runs `write` on the temporary path and answers its result (0 written,
// 1 cancelled, 2 failed); 2 when no temporary file can be made or the rename
// fails.
int SaveThroughTemporaryFile(const std::string& path,
                             const std::function<int(const std::string& temporaryPath)>& write);

}  // namespace torvane
