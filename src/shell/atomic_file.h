#pragma once

#include <string>
#include <string_view>

namespace qs {

// What becomes of a file that is there already.
enum class ExistingFile {
    Replace,  // the new bytes take its place, its permissions kept
    Keep,     // it stays as it is and the write fails with "File exists"
};

// The one way the programs write a whole file (backups, settings, reports, images, and the
// first lines of journals and curves files): the bytes go to a hidden temporary file in the
// same folder, are flushed to the disk, and only then take the file's name by a rename, after
// which the folder is flushed too. A write that fails (full disk, folder not writable, a file
// where a folder is expected) leaves the earlier file as it was and nothing else behind, not
// even an empty file. A symbolic link is followed: the file it names is the one replaced.
//
// False with `error` as "PATH: the system's reason"; `systemError`, when given, receives the
// error number (EEXIST for a file kept by ExistingFile::Keep).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, ExistingFile existing,
                         std::string& error, int* systemError = nullptr);

// Whether a file could be written at `path` now: its folder exists and takes new files, and
// the path names no folder. For output names that are checked before any work is done; the
// write itself may still fail (a disk that fills up meanwhile).
bool CheckFileCanBeWritten(const std::string& path, std::string& error);

}  // namespace qs
