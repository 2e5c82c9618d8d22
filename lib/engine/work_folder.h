// Work folders: the private folder of a job under the installation's
// temporary folder ("TempDir"), where a backup collects the archive's content
// and a restore unpacks it.
#pragma once

#include <string>
#include <string_view>

namespace vk::engine {

// Makes a new folder "wtd<run tag>_<unique>" (mode 0700) in the temporary
// folder; when that folder is missing it is created and the attempt made once
// more.
// Returns the folder's path ending in '/', or "" when none could be made.
std::u16string MakeWorkFolder();

// True when `folder` is a work folder this process made and has not removed:
// a real folder (no symbolic link) directly inside the temporary folder.
bool IsOwnWorkFolder(std::u16string_view folder);

// Removes what runs that were killed left behind (work folders, spool
// folders, unfinished archives and copies; see vk::fs::RemoveLeftovers) from
// the temporary folders, the archive's folder and the installation's folders.
// Nothing of a run that still works is touched.
void RemoveLeftoversOfGoneRuns(std::u16string_view archivePath);

// Removes a work folder with its content, silently, after the ini cache has
// forgotten every file in it. Anything that is not an own work folder (an
// empty path, a folder elsewhere) is left alone: false. False as well when
// the removal failed.
bool RemoveWorkFolder(std::u16string_view folder);

} // namespace vk::engine
