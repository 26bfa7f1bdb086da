#pragma once

/** Whether the program's logon entry exists. */
bool AutoStartExists();

/**
 * Adds the logon entry (the executable's full path) or removes it; false when that failed (a
 * folder that cannot be written, a path the entry's format cannot hold).
 */
bool SetAutoStart(bool on);

/**
 * Points a logon entry whose program is gone (the program was installed elsewhere since, say
 * from the package instead of a build) at this executable. An entry that starts an existing
 * program is left as it is.
 */
void RepairAutoStart();
