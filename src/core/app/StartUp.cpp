#include "core/app/StartUp.h"

#include "core/settings/OptionsUnit.h"
#include "platform/Paths.h"

void InitializeFolders() {
    const std::string appData = platform::AppDataFolder();
    const std::string exeFolder = platform::ExtractFilePath(platform::ExecutablePath());
    if (appData.empty()) {
        DataFolder = exeFolder;
        CacheFolder = "Cache/";
    } else {
        std::string path;
        DataFolder = CreateSubFolders(appData + "/", {"Plotvane/", "Plotvane/"}, path) ? path : exeFolder;
        CacheFolder = CreateSubFolders(DataFolder, {"Cache/"}, path) ? path : "Cache/";
    }
    TempFolder = platform::TempPath();
}
