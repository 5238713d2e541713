#include "MigrationRun.h"

void RunMigration(WindowServices&, const std::u16string&) {}
