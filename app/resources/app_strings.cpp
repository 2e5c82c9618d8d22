// The program's string table: every text the program shows, by number.
#include "app/resources/app_strings.h"

namespace vk::app {
namespace {

constexpr VKStringEntry kStrings[] = {
    {8, u"Close"},
    {2528, u"Processing..."},
    {2836, u"Browse"},
    {2845, u"Insufficient Local Memory"},
    {2960, u"Warning"},
    {2975, u"Back up to"},
    {2979, u"Clear Selections"},
    {2982, u"Select files to back up"},
    {2991, u"Select Zip File Name"},
    {3004, u"No previous backup existed"},
    {3010, u"Problem creating Talvern backup directory.  Cannot do backup"},
    {3013, u"Backup canceled"},
    {3014, u"Backup completed"},
    {3015, u"Talvern Backup"},
    {3021, u"Process still running"},
    {3023, u"Do you want to continue?"},
    {3045, u"Copying file..."},
    {3052, u"&Backup"},
    {3058, u"Cannot zip"},
    {3067, u"Backup of critical files"},
    {3075, u"Vaultkeep"},
    {3078, u"For help, press <F1>"},
    {3382, u"Comment"},
    {3564, u"Options"},
    {4763, u"Begin"},
    {6109, u"Configuration Backup"},
    {6110, u"Configuration Restore"},
    {7913, u"Advanced >>"},
    {7914, u"Advanced <<"},
    {7966, u"Configuration Backup Defaults"},
    {7984, u"%d items restored"},
    // Status line while the configuration restore run opens the archive.
    {8127, u"Opening backup file..."},
    // Status line when a configuration backup wrote no archive.
    {8128, u"Backup failed: no archive was written"},
    // Status line of a backup in which items failed, without and with the
    // results report that lists them.
    {8200, u"Backup completed with failures: %d items failed"},
    {8201, u"Backup completed with failures: %d items failed; see the report %s"},
    // The restore page.
    {8210, u"Restore from"},
    {8211, u"Select all"},
    {8212, u"Clear"},
    {8213, u"Stop"},
    {8214, u"Choose an archive with Browse to see what it holds."},
    {8215, u"Choose an archive to restore from first"},
    {8216, u"Nothing is checked: nothing to restore"},
    {8217, u"&Restore"},
    {8218, u"Check what to restore, then press Begin again"},
    // Asked before a backup with failed items is written over an existing archive.
    {8202, u"%d items could not be backed up.\n\nThe archive %s exists already. Write this incomplete "
           u"backup to it anyway?\n\nNo keeps the archive as it is."},
};

} // namespace

std::span<const VKStringEntry> AppStrings() { return kStrings; }

} // namespace vk::app
