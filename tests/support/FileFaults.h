#pragma once

#include <string>

/**
 * Makes a folder refuse new entries while the object lives: without the right to write it for
 * an ordinary user; with the immutable attribute for root, whom permissions do not stop.
 * Active() is false when neither works here (root on a file system without the attribute).
 */
class TReadOnlyFolder final {
public:
    explicit TReadOnlyFolder(std::string path);
    ~TReadOnlyFolder();
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

    bool Active() const { return m_how != THow::None; }

private:
    enum class THow { None, Permissions, Immutable };
    std::string m_path;
    THow m_how = THow::None;
};

/**
 * For a child process of its own: a small, empty tmpfs of the given size mounted on path in a
 * mount namespace of the process's own, so the mount goes with the process. False where the
 * process may not do that (no root, or a container that forbids it).
 */
bool MountSmallDisk(const std::string& path, long bytes);
