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
// A regular file is there (a link to one counts).
bool fileExists(const std::string& path);
// Whether anything at all has this name, a dangling link included.
bool pathExists(const std::string& path);

// What a tag save finds at the path before it opens the file for writing. Missing: no
// regular file there (a folder, a pipe and a device count as missing). Protected: the
// "read-only, hidden or system" mark of the tag engines, meaning the name begins with "."
// or this user may not write the file; the permission bits are judged even for root, so
// that a protection the user chose is honoured, and the system is asked too, for
// read-only mounts and ACLs.
enum class SaveTarget { Missing, Protected, Writable };
// `reason`, when given, receives the system's words for anything but Writable.
SaveTarget saveTarget(const std::string& path, std::string* reason = nullptr);

// An open file; the destructor closes it.
class File {
public:
    enum class Mode { Read, ReadWrite };

    // Empty when the file cannot be opened (missing, no permission) or is not a regular
    // file (a directory, a named pipe, a device); `reason` then receives why.
    // With followLinks false, a symbolic link at the path is refused rather than followed.
    static std::optional<File> open(const std::string& path, Mode mode, std::string* reason = nullptr,
                                    bool followLinks = true);
    // saveTarget and open for writing in one: the file when it is Writable, else empty with
    // `target` and `reason` as saveTarget gives them. Asks the system once about the path.
    static std::optional<File> openForSaving(const std::string& path, SaveTarget& target, std::string* reason = nullptr);
    // open() for reading and lockForReading() in one, the file looked at once, after the
    // lock; empty when either fails, `lockedByOther` telling the second.
    static std::optional<File> openLockedForReading(const std::string& path, std::string& reason,
                                                    bool& lockedByOther);
    // The one way to create a record that outlives a run: a new empty file readable by this
    // user only, locked for writing while it is open, so that a file whose writer was killed
    // is told from one still being written (removeAbandonedFiles). Empty when anything at
    // all has the name, a link included, which is never followed.
    static std::optional<File> createNew(const std::string& path, std::string* reason = nullptr);

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
    // Writes two runs of bytes one after the other from offset in one call, which the system
    // puts down front to back.
    void writeAt(uint64_t offset, const uint8_t* first, std::size_t n1, const uint8_t* second, std::size_t n2);
    // Writes at the end of what append wrote before, for a file filled front to back.
    void append(const uint8_t* data, std::size_t n);
    void truncate(uint64_t newSize);
    // Returns once what was written is on the disk.
    void sync();
    // Makes the file newSize bytes long with its blocks allocated, so that writes below
    // that size cannot meet a full disk, a quota or a size limit; the new bytes read as
    // zeros. A failure may leave the file longer: the caller cuts it back.
    void reserve(uint64_t newSize);

    // Tells the system that this part of the file will be read soon, so that it reads it
    // ahead; a walk backwards through a file gets no read-ahead otherwise.
    void adviseWillNeed(uint64_t offset, uint64_t length) const;

    static constexpr int kLockWaitMs = 3000;
    // Advisory locks between processes, waited for up to kLockWaitMs: an exclusive one
    // for a save, a shared one for a load. False when another process keeps the file
    // locked that long. Once locked, info() gives the size as it is now. While this
    // process holds the exclusive lock through one File, its other Files of the same file
    // take their locks at once. Released on close.
    bool lockForWriting(int waitMs = kLockWaitMs);
    bool lockForReading(int waitMs = kLockWaitMs);

    // The same file whatever name it was opened under.
    struct Identity {
        uint64_t device = 0, inode = 0;
    };
    Identity identity() const { return {m_dev, m_ino}; }
    // When the file was created, in nanoseconds, where the file system keeps it; else 0.
    // Tells a file from a later one that was given the same number.
    uint64_t birthTime() const;

private:
    File(int fd, uint64_t size, uint32_t mode, uint32_t uid, uint32_t gid, uint64_t dev, uint64_t ino)
        : m_fd(fd), m_openSize(size), m_mode(mode), m_uid(uid), m_gid(gid), m_dev(dev), m_ino(ino)
    {
    }
    bool lock(int operation, int waitMs);
    void close();

    int m_fd = -1;
    // What the file was like when it was opened, for info().
    uint64_t m_openSize = 0;
    uint32_t m_mode = 0, m_uid = 0, m_gid = 0;
    uint64_t m_dev = 0, m_ino = 0;
    bool m_holdsWriteLock = false;
};

// Holds back the signals that ask the program to end (interrupt, terminate, hang-up,
// quit) while it lives, so that a save is never stopped half way by them; one that
// arrived meanwhile takes effect when the last holder goes.
class TerminationHold {
public:
    TerminationHold();
    ~TerminationHold();
    TerminationHold(const TerminationHold&) = delete;
    TerminationHold& operator=(const TerminationHold&) = delete;
};

// Removes a file; false when it was not there or could not be removed.
bool removeFile(const std::string& path);
// Removes the folder when it is empty; false otherwise.
bool removeEmptyFolder(const std::string& path);
// Creates the folder and every missing folder above it; false when one cannot be made.
bool makeFolders(const std::string& path);
// Creates the folder as makeFolders does and makes it private to this user (mode 0700);
// false when it cannot be made or is not a real folder (a link to one is refused).
bool makePrivateFolders(const std::string& path);
// Removes the regular files in the folder whose names end in `suffix` and that no live
// process holds locked: what writers that were killed left behind. Links are left alone.
void removeAbandonedFiles(const std::string& folder, const std::string& suffix);
// A write past the size limit of the process (RLIMIT_FSIZE) fails with EFBIG instead of
// ending the program without a word; called at start-up and by every opening for writing.
void ignoreFileSizeLimitSignal();
// Flushes the folder's entries, so that a file just created or renamed in it survives a crash.
bool syncFolder(const std::string& path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
    uint64_t size = 0; // a regular file's, from listDirectoryWithSizes
};

// The identity of a real folder, whatever name or link reached it.
struct DirectoryId {
    uint64_t device = 0, inode = 0;
    bool operator<(const DirectoryId& o) const { return device != o.device ? device < o.device : inode < o.inode; }
};
std::optional<DirectoryId> directoryId(const std::string& path);

// The entries of a folder in the order the file system lists them, without "." and "..".
// Empty when the folder cannot be read.
std::vector<DirEntry> listDirectory(const std::string& folder);
// The same, with the size of each regular file; a link is not followed, and counts as 0.
std::vector<DirEntry> listDirectoryWithSizes(const std::string& folder);
// The same, and why the folder could not be read (the system's reason; empty when it was
// read whole). Entries read before a failure are kept, and the folder's identity is known
// once it opened.
struct FolderListing {
    std::vector<DirEntry> entries;
    std::string problem;
    std::optional<DirectoryId> id;
};
FolderListing readFolder(const std::string& folder);

// Which file a name reaches now, the name itself when it is a link: a rename keeps all
// three, so a file found under its new name can be told from another that took the name.
struct FileIdentity {
    uint64_t device = 0, inode = 0, size = 0;
    bool operator==(const FileIdentity& o) const
    {
        return device == o.device && inode == o.inode && size == o.size;
    }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};
std::optional<FileIdentity> fileIdentity(const std::string& path);

// The person's folder for state that outlives a run: $XDG_STATE_HOME/varnoli/, else
// ~/.local/state/varnoli/; ends with "/". Not created here; empty when neither is known.
std::string stateFolder();
// The person's settings folder: $XDG_CONFIG_HOME/varnoli/, else ~/.config/varnoli/, alike.
std::string configFolder();

// The person's cache folder: $XDG_CACHE_HOME/varnoli/, else ~/.cache/varnoli/, made private to
// this user when missing; empty when neither is known or it cannot be made.
std::string cacheFolder();

// What tells a changed file from the one seen before, asked of the system without opening the
// file: a save changes the size or the time, a file put in its place the inode.
struct FileStamp {
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    uint64_t device = 0, inode = 0;
    bool operator==(const FileStamp& o) const
    {
        return size == o.size && mtimeNs == o.mtimeNs && device == o.device && inode == o.inode;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
// Empty when nothing is at the path or it is no regular file (a link to one counts).
std::optional<FileStamp> fileStamp(const std::string& path);
// The same for many paths, in order: each folder that paths in a row share is looked up once.
std::vector<std::optional<FileStamp>> fileStamps(const std::vector<std::string>& paths);

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
// with IoError; a failing write puts down half its bytes first (none of a small one). 0 switches it off.
// killAtWrite ends the process at once instead, half way through the n-th write.
namespace faults {
void failReadAt(uint64_t n);
void failWriteAt(uint64_t n);
void killAtWrite(uint64_t n);
// Counts File::open calls for this path from now on (empty stops); openCount() tells how many.
void countOpens(const std::string& path);
uint64_t openCount();
// Renames without replacing as on a file system lacking RENAME_NOREPLACE (1), and lacking
// hard links too (2); 0 switches it off.
void renameFallback(int level);
} // namespace faults

} // namespace platform
