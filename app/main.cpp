#include "vaultkeeplib.h"

int main() { return 0; }
