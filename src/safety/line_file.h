#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// Somewhere to write text one line at a time (a file, or memory in tests).
class ILineSink {
public:
    virtual ~ILineSink() = default;
    // Writes the line and its line end; false once the line could not be written.
    virtual bool WriteLine(const std::string& line) = 0;
};

// A text file written one line at a time, each line handed to the system at once, so a crash
// of the program loses at most the line being written. A line that cannot be written whole
// (a full disk) is taken back: the file stays as it was before it.
class LineFile : public ILineSink {
public:
    enum class Mode {
        CreateNew,  // fails when the file exists: nothing earlier is ever overwritten
        Append,     // creates the file or adds to its end
    };

    LineFile() = default;
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // A new file that starts with `heading`, written as every whole file is (so it never
    // exists empty or half-written); fails when the file exists, so nothing earlier is ever
    // overwritten. False with `error` saying why (the system's reason, in words).
    bool Create(const std::string& path, const std::vector<std::string>& heading,
                std::string& error);
    // Create(path, {}) or Append(path).
    bool Open(const std::string& path, Mode mode, std::string& error);
    // Creates the file or adds to its end.
    bool Append(const std::string& path, std::string& error);
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    void Close();

    bool WriteLine(const std::string& line) override;
    // The reason of the last failed write, empty when none failed.
    const std::string& writeError() const { return writeError_; }

private:
    int fd_ = -1;
    std::int64_t size_ = 0;  // the length of the lines written whole
    std::string path_;
    std::string writeError_;
};

// Writes `text` to a new file `folder/stem + extension`; when that name is taken, tries
// stem-2, stem-3 ... so nothing is ever overwritten. Creates the folder when needed. Written
// as every whole file is: a file that could not be written completely never appears. On
// success `path` is the file written.
bool SaveNewFile(const std::string& folder, const std::string& stem, const std::string& extension,
                 const std::string& text, std::string& path, std::string& error);

}  // namespace qs
