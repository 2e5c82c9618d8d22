// The installation's folders as a boundary: what a backup reads and a
// restore writes through a symbolic link must stay inside them, so a link
// planted in an installation folder can neither carry a file from elsewhere
// into an archive nor make a restore overwrite a file elsewhere.
#pragma once

#include <string_view>

namespace vk::engine {

// True when `path` names a place inside one of the installation's folders
// (by its text) but resolves, through a symbolic link on the way (the file
// itself being one included) or a ".." part, to a place outside all of them. Paths that name a place
// outside the installation in the first place are the caller's choice: false.
// The installation's folders are resolved once per job (a job's Init calls
// RefreshInstallationBounds) rather than once per item.
bool LinkLeavesInstallation(std::u16string_view path);
void RefreshInstallationBounds();

} // namespace vk::engine
