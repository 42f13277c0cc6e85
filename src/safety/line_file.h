#pragma once

#include <cstdio>
#include <string>

namespace qs {

// Somewhere to write text one line at a time (a file, or memory in tests).
class ILineSink {
public:
    virtual ~ILineSink() = default;
    // Writes the line and its line end; false once the line could not be written.
    virtual bool WriteLine(const std::string& line) = 0;
};

// A text file written one flushed line at a time, so a crash or a pulled plug loses at most
// the line being written.
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

    // False with `error` saying why (the system's reason, in words).
    bool Open(const std::string& path, Mode mode, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    void Close();

    bool WriteLine(const std::string& line) override;
    // The reason of the last failed write, empty when none failed.
    const std::string& writeError() const { return writeError_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string writeError_;
};

// Writes `text` to a new file `folder/stem + extension`; when that name is taken, tries
// stem-2, stem-3 ... so nothing is ever overwritten. Creates the folder when needed. A file
// that could not be written completely is removed. On success `path` is the file written.
bool SaveNewFile(const std::string& folder, const std::string& stem, const std::string& extension,
                 const std::string& text, std::string& path, std::string& error);

}  // namespace qs
