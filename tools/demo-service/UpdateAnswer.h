#pragma once

#include <cstdint>
#include <string>

/** The fields of an update answer as the vendor's server builds it (the demo service, and tests). */
struct TAnswerFields {
    std::string ProjectName = "Plotvane";
    std::string DownloadFolder = "http://update.plotvane.example/files";
    std::string Picture; // JPEG bytes; set, they run to the end of the content
    std::string ReleaseDescription;
    std::string ReleaseBugFixes;
    std::string ReleaseFeatures;
    std::uint32_t Version = 0x01000002;
    std::string BaseName = "plotvane-setup.sh";
    bool Valid = true;
    bool Compressed = false;
};

/** The content: the ten fields, each text as a 32-bit length and its bytes. */
std::string AnswerContent(const TAnswerFields& fields);

/** A whole answer with its header, version record, length and checksum. */
std::string MakeUpdateAnswer(const TAnswerFields& fields);

/** Builds an answer around content given as is (compressed with the lengths C and U when asked). */
std::string MakeUpdateAnswerFrom(const std::string& content, const TAnswerFields& fields, std::int32_t compressedLength,
                                 std::int32_t inflatedLength);

/** Rewrites an answer's length and checksum after its bytes were changed, so that it passes its own test. */
std::string ResealUpdateAnswer(std::string answer);
