// The library's string table: every text the library shows, by number.
#include "lib/resources/library_strings.h"

namespace vk::lib {
namespace {

constexpr VKStringEntry kStrings[] = {
    {1, u"Ok"},
    {2, u"Cancel"},
    {6, u"Yes"},
    {7, u"No"},
    {2528, u"Processing..."},
    {2599, u"SKIP"},
    {2838, u"Delete"},
    {2845, u"Insufficient Local Memory"},
    {2960, u"Warning"},
    {2975, u"Back up to"},
    {2980, u"Restore from"},
    {3010, u"Problem creating Talvern backup directory.  Cannot do backup"},
    {3056, u"File %s exists, overwrite?"},
    {3061, u"Removing old backups"},
    {3075, u"Vaultkeep"},
    {3283, u"Unknown or multiple errors"},
    {3360, u"To"},
    {3528, u"From"},
    {3532, u"Cancelled"},
    {3873, u"TCP"}, // tool tree root of kind 3
    {3895, u"Note"},
    {3915, u"That model already exists as a tool serial number"},
    {3924, u"Select tools to import"},
    {3925, u"Select tools to export"},
    {3950, u"That serial number already exists as a model"},
    {3981, u"Copying %s"},
    {3982, u"Tool %s-%s exists already, overwrite?"},
    {4009, u"Restore model info for %s"},
    {4010, u"Restore calibrations for %s"},
    {4192, u"&Cancel"},
    {4344, u"Overwrite All"},
    {4488, u"Append"},
    {4496, u"Don't Overwrite Any"},
    {4507, u"Copying tool information"},
    {7660, u"Failed"},
    {7716, u"Verify to continue"},
    {7968, u"Destination file has newer version."},
    {7969, u"File not copied."},
    {7970, u"File is not a valid backup, creating a new file."},
    {7971, u"Browse for Talvern backup file"},
    {7972, u"File not found."},
    {7973, u"Skip one."},
    {7974, u"Skip all."},
    {7975, u"Invalid backup type."},
    {7976, u"No source file."},
    {7977, u"Destination file exists."},
    {7978, u"System error."},
    {7979, u"Access denied."},
    {7980, u"Ini fail."},
    // Archives a restore refuses before anything of them is used.
    {7985, u"Not enough space in temp folder to unpack %s.  Cannot restore"},
    {7986, u"Backup information in %s is too large.  Cannot restore"},
    {7987, u"Backup information in %s is damaged.  Cannot restore"},
    // Results report of a backup whose archive was not written.
    {7988, u"Not saved, backup file not written"},
    {8116, u"Logging Tools"},   // tool tree root of kind 1
    {8117, u"Accessory Tools"}, // tool tree root of kind 2
    {8161, u"Backup file exists.  Do you want to append/refresh the existing backup or delete the destination and "
           u"replace with the contents of the new backup?"},
    // Second paragraph of note 7970 after a failed Append in the "file exists" dialog.
    {8172, u"Press Delete to replace the file with the new backup, or Cancel to stop."},
    // Note 7970 as the "file exists" dialog shows it after a failed Append.
    {8173, u"File is not a valid backup: nothing can be appended to it."},
};

} // namespace

std::span<const VKStringEntry> LibraryStrings() { return kStrings; }

} // namespace vk::lib
