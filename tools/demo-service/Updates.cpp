#include "Updates.h"

#include "UpdateAnswer.h"

namespace demo {

std::string UpdateAnswerFor(const std::string& variant) {
    TAnswerFields fields;
    fields.ProjectName = "Plotvane";
    fields.DownloadFolder = "http://update.plotvane.example/files";
    fields.BaseName = "plotvane-setup.sh";
    fields.ReleaseDescription = "A demo release of Plotvane, served by the demo service.";
    fields.ReleaseBugFixes = "The notification no longer takes the focus from the window you type in.";
    fields.ReleaseFeatures = "Box art is drawn sharper on large screens.";
    fields.Compressed = variant != "newer-stored";
    fields.Version = variant == "same" ? (PLOTVANE_VERSION_MAJOR << 24 | PLOTVANE_VERSION_MINOR << 16 |
                                          PLOTVANE_VERSION_RELEASE << 8 | PLOTVANE_VERSION_BUILD)
                                       : NewerVersion;
    std::string answer = MakeUpdateAnswer(fields);
    if (variant == "broken")
        answer.back() ^= 0x01;
    return answer;
}

std::string InstallerScript() {
    std::string script = "#!/bin/sh\n"
                         "# The demo installer of Plotvane: it installs nothing and records that it ran.\n"
                         "echo \"installed at $(date)\" >> \"$(dirname \"$0\")/plotvane-setup.ran\"\n"
                         "exit 0\n";
    // Long enough for a slow download to be interrupted on the way.
    for (int i = 0; script.size() < std::size_t{256} * 1024; ++i)
        script += "# padding line " + std::to_string(i) + ": the real installer carries the program here\n";
    return script;
}

} // namespace demo
