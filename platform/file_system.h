// The one place that talks to the operating system about files and folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

enum class IoErrorKind { Read, Write, Other };

// Raised by File for a failed read, write or other file operation; the tag engines
// turn it into a result word at the top of each load and save.
class IoError : public std::runtime_error {
public:
    IoError(IoErrorKind kind, const std::string& what) : std::runtime_error(what), m_kind(kind) {}
    IoErrorKind kind() const { return m_kind; }

private:
    IoErrorKind m_kind;
};

bool directoryExists(const std::string& path);

// What a tag save finds at the path before it opens the file for writing. Missing: no
// regular file there (a folder, a pipe and a device count as missing). Protected: the
// "read-only, hidden or system" mark of the tag engines, meaning the name begins with "."
// or this user may not write the file; the permission bits are judged even for root, so
// that a protection the user chose is honoured, and the system is asked too, for
// read-only mounts and ACLs.
enum class SaveTarget { Missing, Protected, Writable };
SaveTarget saveTarget(const std::string& path);

// An open file; the destructor closes it.
class File {
public:
    enum class Mode { Read, ReadWrite };

    // Empty when the file cannot be opened (missing, no permission) or is not a regular
    // file (a directory, a named pipe, a device).
    static std::optional<File> open(const std::string& path, Mode mode);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    uint64_t size() const;
    // The size at opening and the "read-only, hidden or system" mark as the name and
    // the file's permission bits give it (saveTarget also asks the system about mounts
    // and ACLs); `path` is the name the file was opened under.
    struct Info {
        uint64_t size = 0;
        bool protectedMark = false;
    };
    Info info(const std::string& path) const;
    // Reads up to n bytes at offset; fewer only at the end of the file.
    std::size_t readAt(uint64_t offset, uint8_t* buffer, std::size_t n) const;
    // Reads exactly n bytes at offset; the file ending early is a read failure.
    void readExactAt(uint64_t offset, uint8_t* buffer, std::size_t n) const;
    void writeAt(uint64_t offset, const uint8_t* data, std::size_t n);
    void truncate(uint64_t newSize);
    // Takes an advisory exclusive lock, so that two writers asking for it never rewrite
    // the same file at once; false only when another holds it. Released on close.
    bool lockForWriting();

private:
    File(int fd, uint64_t size, uint32_t mode, uint32_t uid, uint32_t gid)
        : m_fd(fd), m_openSize(size), m_mode(mode), m_uid(uid), m_gid(gid)
    {
    }
    int m_fd = -1;
    // What the file was like when it was opened, for info().
    uint64_t m_openSize = 0;
    uint32_t m_mode = 0, m_uid = 0, m_gid = 0;
};

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

// The entries of a folder in the order the file system lists them, without "." and "..".
// Empty when the folder cannot be read.
std::vector<DirEntry> listDirectory(const std::string& folder);

// The identity of a real folder, whatever name or link reached it.
struct DirectoryId {
    uint64_t device = 0, inode = 0;
    bool operator<(const DirectoryId& o) const { return device != o.device ? device < o.device : inode < o.inode; }
};
std::optional<DirectoryId> directoryId(const std::string& path);

// The person's folder for state that outlives a run: $XDG_STATE_HOME/varnoli/, else
// ~/.local/state/varnoli/; ends with "/". Not created here; empty when neither is known.
std::string stateFolder();

// Renames a file; false when the file system refuses.
bool renameFile(const std::string& from, const std::string& to);

// What a rename that never replaces a file did: Renamed, or Exists when another file
// already has the new name (nothing changed), or Failed with the system's reason.
struct RenameOutcome {
    enum Kind { Renamed, Exists, Failed } kind = Failed;
    std::string reason; // for Failed
};
// Renames `from` to `to`, refusing when `to` names another file, even one that appears
// between a check and the rename. Only the letter case of the same file changing on a file
// system that ignores case is let through.
RenameOutcome renameWithoutReplacing(const std::string& from, const std::string& to);
// What renameWithoutReplacing would meet, without renaming: Failed when `from` cannot be
// found, Exists when `to` names another file.
RenameOutcome probeRename(const std::string& from, const std::string& to);

// The whole content of a file; IoError with the system's reason when it cannot be read.
std::string readWholeFile(const std::string& path);
// Puts `contents` in place of the file at `path` (created when missing) so that a failure at
// any point leaves the old file whole: the text goes to a hidden file beside it, reaches the
// disk, and is then renamed over it. The old file's permission bits are kept, and a link is
// followed to the file it names. IoError with the system's reason on failure.
void replaceFileAtomically(const std::string& path, const std::string& contents);
// The process's working folder, without a trailing "/"; empty when it cannot be found.
std::string currentFolder();

// For tests only: the n-th read (readAt) or write (writeAt, truncate, the write of
// replaceFileAtomically) from now on fails
// with IoError; a failing write puts down half its bytes first. 0 switches it off.
namespace faults {
void failReadAt(uint64_t n);
void failWriteAt(uint64_t n);
// Renames without replacing as on a file system lacking RENAME_NOREPLACE (1), and lacking
// hard links too (2); 0 switches it off.
void renameFallback(int level);
} // namespace faults

} // namespace platform
