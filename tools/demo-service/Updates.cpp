#include "Updates.h"

#include "UpdateAnswer.h"

namespace demo {

std::string UpdateAnswerFor(const std::string& variant) {
    TAnswerSpec spec;
    spec.ProjectName = "Plotvane";
    spec.DownloadFolder = "http://update.plotvane.example/files";
    spec.BaseName = "plotvane-setup.sh";
    spec.ReleaseDescription = "A demo release of Plotvane, served by the demo service.";
    spec.ReleaseBugFixes = "The notification no longer takes the focus from the window you type in.";
    spec.ReleaseFeatures = "Box art is drawn sharper on large screens.";
    spec.Compressed = variant != "newer-stored";
    spec.Version = variant == "same" ? (PLOTVANE_VERSION_MAJOR << 24 | PLOTVANE_VERSION_MINOR << 16 |
                                        PLOTVANE_VERSION_RELEASE << 8 | PLOTVANE_VERSION_BUILD)
                                     : NewerVersion;
    std::string answer = MakeUpdateAnswer(spec);
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
    for (int i = 0; script.size() < 256 * 1024; ++i)
        script += "# padding line " + std::to_string(i) + ": the real installer carries the program here\n";
    return script;
}

} // namespace demo
