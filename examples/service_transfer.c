/* Backs up one service of the installation into an archive, or restores it
 * from one, through the library's backup and restore jobs.
 *
 *   vk_service_transfer backup  SERVICE ARCHIVE [--interactive]
 *   vk_service_transfer restore SERVICE ARCHIVE [--interactive]
 *
 * The installation is the one the registry file named by VAULTKEEP_REGISTRY
 * describes, so a service is carried to a second installation by a backup run
 * with the registry file of the first and a restore run with that of the
 * second. The service travels with its section of services.ini, its scripts,
 * presentations and extra files, and its tools.
 *
 * Runs are quiet by default: no window, every tool of the service travels.
 * With --interactive the tool selection and the library's questions are shown
 * (on a display when one is present; otherwise answered by their defaults or
 * the VAULTKEEP_ANSWERS script). The exit status is the item's status code. */
#include <stdio.h>
#include <string.h>

#include "vaultkeeplib.h"
#include "example_text.h"

static int32_t cancelled;

static int Progress(int code, intptr_t value, const char16_t *text) {
    if (code == 9 && value != StatusOk) {
        fputs("  file ", stderr);
        PutText(stderr, text);
        fputs(": ", stderr);
        PutText(stderr, VKStatusToText((int)value));
        fputs("\n", stderr);
    }
    return 0;
}

int main(int argc, char **argv) {
    char16_t service[256], archive[1024], services[1024];
    const char16_t *config = VKGetTalvernDir(DirConfig);
    uint32_t flags = VKF_QUIET;
    int restore, status, i;
    BackupJob *job;

    if (argc < 4 || (strcmp(argv[1], "backup") != 0 && strcmp(argv[1], "restore") != 0)) {
        fprintf(stderr, "usage: %s backup|restore SERVICE ARCHIVE [--interactive]\n", argv[0]);
        return 2;
    }
    for (i = 4; i < argc; ++i) {
        if (strcmp(argv[i], "--interactive") == 0) flags = 0;
        else {
            fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (!config || !config[0]) {
        fputs("no installation: set VAULTKEEP_REGISTRY\n", stderr);
        return 1;
    }
    restore = strcmp(argv[1], "restore") == 0;
    ToText(service, sizeof service / sizeof service[0], argv[2]);
    ToText(archive, sizeof archive / sizeof archive[0], argv[3]);
    JoinText(services, sizeof services / sizeof services[0], config, u"services.ini");
    if (!(flags & VKF_QUIET)) VKUseDisplay();

    if (restore) {
        job = VKRestoreInit(NULL, flags, 0, archive, NULL, Progress, &cancelled);
        if (!job) {
            fputs("the archive cannot be opened\n", stderr);
            return 1;
        }
        status = VKRestore(job, VK_ITEM_SERVICE, 0, 0, service, NULL, services);
        VKRestoreClose(job);
    } else {
        job = VKBackupInit(NULL, flags, 0, archive, NULL, Progress, &cancelled, NULL);
        if (!job) {
            fputs("the archive cannot be made\n", stderr);
            return 1;
        }
        status = VKBackup(job, VK_ITEM_SERVICE, 0, 0, service, NULL, services);
        if (!VKBackupClose(job)) {
            fputs("the archive was not written\n", stderr);
            return 1;
        }
    }
    fputs(restore ? "restore of " : "backup of ", stdout);
    PutText(stdout, service);
    fputs(": ", stdout);
    PutText(stdout, VKStatusToText(status));
    fputs("\n", stdout);
    if (!(flags & VKF_QUIET)) VKCloseDisplay();
    return status;
}
