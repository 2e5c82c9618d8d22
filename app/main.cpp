// vaultkeep: configuration backup of a Talvern installation. Interactive with
// its window on a desktop; with a command word it runs one job unattended and
// ends by itself (see app/shell/command_line.h).
#include "app/shell/program.h"

int main(int argc, char **argv) { return vk::app::RunProgram(argc, argv); }
