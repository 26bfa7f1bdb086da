#pragma once

/** Whether the program's logon entry exists. */
bool AutoStartExists();

/** Adds the logon entry (the executable's full path) or removes it. */
void SetAutoStart(bool on);
