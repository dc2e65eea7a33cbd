// The inputs of the exifkit command: its FILE operands in order, each
// directory among them (with -r) replaced by the JPEG files below it.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace exifkit::cli {

// What an input is: a file or stream to read, or one of the walk that is
// reported and skipped.
enum class inputkind {
    file,
    unlisted,  // a directory that could not be listed
    special,   // not a regular file (a FIFO, a device, a socket), met in a walk
};

struct input {
    std::string path;
    inputkind kind = inputkind::file;
    int oserror = 0;  // why a directory could not be listed
};

// The extensions of the photo files a walk reads, in any case: JPEG, TIFF
// and the raw files built on it, ISO BMFF, PNG, WebP, JPEG XL. What a file
// is read as is decided by its content, not by its name.
inline constexpr std::string_view PHOTO_EXTENSIONS[] = {
    "jpg",  "jpeg", "jpe",  "jfif", "tif",  "tiff", "dng",  "cr2",  "cr3",  "crw",  "nef",  "nrw",
    "arw",  "srf",  "sr2",  "orf",  "rw2",  "rwl",  "pef",  "srw",  "raf",  "3fr",  "erf",  "kdc",
    "dcr",  "mef",  "mos",  "iiq",  "heic", "heif", "hif",  "avif", "png",  "webp", "jxl",
};

// Whether a name found in a walk is a photo file's.
inline bool isphotoname(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::string_view known : PHOTO_EXTENSIONS)
        if (ext == known)
            return true;
    return false;
}

// Hands out the inputs one at a time. A directory is listed when the walk
// reaches it, its entries in byte order of their names, so the order is
// stable and only the directories on the current path are held. Symbolic
// links to directories are not followed inside a walk, so no link cycle can
// make it loop; a directory named as an operand is followed. A walk reads
// regular files and links to them only: a FIFO or a device would block the
// read or never end it. Types come from the listing, with a system call only
// for a link or an entry of unknown type.
class walker {
public:
    walker(std::vector<std::string> operands, bool recursive)
        : operands_(std::move(operands)), recursive_(recursive)
    {
    }

    // The next input; false when there is none left.
    bool next(input& out)
    {
        namespace fs = std::filesystem;
        for (;;) {
            if (!levels_.empty()) {
                level& top = levels_.back();
                if (top.at == top.entries.size()) {
                    levels_.pop_back();
                    continue;
                }
                const auto& [name, type] = top.entries[top.at++];
                std::string path = join(top.dir, name);
                if (type == fs::file_type::directory) {
                    if (!enter(path, out))
                        return true;
                } else if (isphotoname(name)) {
                    const fs::file_type target = type == fs::file_type::symlink ? linktarget(path) : type;
                    if (target == fs::file_type::directory)
                        continue;
                    out = input{std::move(path), isreadable(target) ? inputkind::file : inputkind::special};
                    return true;
                }
                continue;
            }
            if (operand_ == operands_.size())
                return false;
            std::string path = operands_[operand_++];
            std::error_code ec;
            if (recursive_ && path != "-" && fs::is_directory(path, ec)) {
                if (!enter(path, out))
                    return true;
                continue;
            }
            out = input{std::move(path)};
            return true;
        }
    }

private:
    struct level {
        std::string dir;
        std::vector<std::pair<std::string, std::filesystem::file_type>> entries;
        std::size_t at = 0;
    };

    static std::string join(const std::string& dir, const std::string& name)
    {
        return dir.empty() || dir.back() == '/' ? dir + name : dir + '/' + name;
    }

    // What a link found in a walk leads to; not_found when it leads nowhere,
    // which the read then reports with the system's reason.
    static std::filesystem::file_type linktarget(const std::string& path)
    {
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return std::filesystem::file_type::not_found;
        return typeofmode(st.st_mode);
    }

    static bool isreadable(std::filesystem::file_type type)
    {
        return type == std::filesystem::file_type::regular || type == std::filesystem::file_type::not_found;
    }

    static std::filesystem::file_type typeofmode(mode_t mode)
    {
        using std::filesystem::file_type;
        return S_ISREG(mode)   ? file_type::regular
               : S_ISDIR(mode) ? file_type::directory
               : S_ISLNK(mode) ? file_type::symlink
                               : file_type::unknown;
    }

    // The type of a directory entry, as the listing gives it where it can
    // (no system call per file), else from lstat.
    static std::filesystem::file_type entrytype(const std::string& dir, const dirent& e)
    {
        using std::filesystem::file_type;
        switch (e.d_type) {
        case DT_REG: return file_type::regular;
        case DT_DIR: return file_type::directory;
        case DT_LNK: return file_type::symlink;
        case DT_UNKNOWN: break;
        default: return file_type::unknown;  // a FIFO, a device, a socket
        }
        struct stat st;
        if (lstat(join(dir, e.d_name).c_str(), &st) != 0)
            return file_type::not_found;
        return typeofmode(st.st_mode);
    }

    // Lists the directory and descends into it; false, with `out` describing
    // the failure, when it cannot be listed.
    bool enter(const std::string& dir, input& out)
    {
        level next{dir, {}, 0};
        DIR* listing = opendir(dir.c_str());
        if (!listing) {
            out = input{dir, inputkind::unlisted, errno};
            return false;
        }
        errno = 0;
        while (const dirent* e = readdir(listing)) {
            const std::string_view name = e->d_name;
            if (name != "." && name != "..")
                next.entries.emplace_back(std::string(name), entrytype(dir, *e));
            errno = 0;
        }
        const int failed = errno;
        closedir(listing);
        if (failed) {
            out = input{dir, inputkind::unlisted, failed};
            return false;
        }
        std::sort(next.entries.begin(), next.entries.end());
        levels_.push_back(std::move(next));
        return true;
    }

    std::vector<std::string> operands_;
    bool recursive_;
    std::size_t operand_ = 0;
    std::vector<level> levels_;
};

}  // namespace exifkit::cli
