#include "platform/FileVersion.h"

#include <QFile>

#include <cstring>
#include <elf.h>

namespace platform {
namespace {

constexpr char NoteName[] = "Plotvane";
constexpr std::uint32_t NoteType = 1;
constexpr qint64 MaxSections = 4096;
constexpr qint64 MaxNoteSection = qint64{64} * 1024;

bool ReadAt(QFile& file, qint64 offset, void* into, qint64 size) {
    if (offset < 0 || size < 0 || offset > file.size() || size > file.size() - offset || !file.seek(offset))
        return false;
    return file.read(static_cast<char*>(into), size) == size;
}

std::uint32_t Align4(std::uint32_t n) {
    return (n + 3u) & ~3u;
}

// Walks the notes of one note section.
bool FindInNotes(const QByteArray& notes, TFileVersion& version) {
    qsizetype at = 0;
    while (notes.size() - at >= 12) {
        std::uint32_t nameSize = 0, descSize = 0, type = 0;
        std::memcpy(&nameSize, notes.constData() + at, 4);
        std::memcpy(&descSize, notes.constData() + at + 4, 4);
        std::memcpy(&type, notes.constData() + at + 8, 4);
        at += 12;
        const qsizetype name = Align4(nameSize), desc = Align4(descSize);
        if (nameSize > 4096 || descSize > 4096 || name + desc > notes.size() - at)
            return false;
        if (nameSize == sizeof NoteName && type == NoteType && descSize == 8 &&
            std::memcmp(notes.constData() + at, NoteName, sizeof NoteName) == 0) {
            std::memcpy(&version.VersionMS, notes.constData() + at + name, 4);
            std::memcpy(&version.VersionLS, notes.constData() + at + name + 4, 4);
            return true;
        }
        at += name + desc;
    }
    return false;
}

template <typename Ehdr, typename Shdr>
bool FindVersion(QFile& file, TFileVersion& version) {
    Ehdr header{};
    if (!ReadAt(file, 0, &header, sizeof header) || header.e_shentsize != sizeof(Shdr) || header.e_shnum > MaxSections)
        return false;
    for (qint64 i = 0; i < header.e_shnum; ++i) {
        Shdr section{};
        if (!ReadAt(file, static_cast<qint64>(header.e_shoff) + i * static_cast<qint64>(sizeof section), &section,
                    sizeof section))
            return false;
        if (section.sh_type != SHT_NOTE || section.sh_size > static_cast<decltype(section.sh_size)>(MaxNoteSection))
            continue;
        QByteArray notes(static_cast<qsizetype>(section.sh_size), '\0');
        if (ReadAt(file, static_cast<qint64>(section.sh_offset), notes.data(), notes.size()) &&
            FindInNotes(notes, version))
            return true;
    }
    return false;
}

} // namespace

bool ReadFileVersion(const std::string& path, TFileVersion& version) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    unsigned char ident[EI_NIDENT] = {};
    if (!ReadAt(file, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 ||
        ident[EI_DATA] != ELFDATA2LSB)
        return false;
    TFileVersion found;
    const bool ok = ident[EI_CLASS] == ELFCLASS64   ? FindVersion<Elf64_Ehdr, Elf64_Shdr>(file, found)
                    : ident[EI_CLASS] == ELFCLASS32 ? FindVersion<Elf32_Ehdr, Elf32_Shdr>(file, found)
                                                    : false;
    if (ok)
        version = found;
    return ok;
}

} // namespace platform
