#pragma once

/**
 * Fills DataFolder, CacheFolder and TempFolder: "Plotvane/Plotvane/" under the application-data
 * folder and its "Cache/", created when missing; the executable's folder and a relative
 * "Cache/" when that is impossible.
 */
void InitializeFolders();
