#pragma once
// Points the platform's stand-ins at this program's files: the hives, drive C:, the
// system folder and the automation hooks, from the LUMIVANE_* variables or their defaults.

void ConfigureHost();
