#include "memory_image.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace qtsim {

MemoryImage::MemoryImage() : bytes_(kSizeBytes, 0) {}

std::uint8_t MemoryImage::read(int address) const {
    if (address < 0 || address >= kSizeBytes) return 0;
    return bytes_[static_cast<std::size_t>(address)];
}

void MemoryImage::write(int address, std::uint8_t value) {
    if (address < 0 || address >= kSizeBytes) return;
    bytes_[static_cast<std::size_t>(address)] = value;
}

bool MemoryImage::loadFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open image file " + path + ": " + std::strerror(errno);
        return false;
    }
    // Read one byte more than fits, so an oversized file is noticed without reading it all.
    std::vector<std::uint8_t> data(kSizeBytes + 1);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    const auto got = in.gcount();
    if (got != kSizeBytes) {
        if (error) {
            *error = "image file " + path + " must hold exactly " + std::to_string(kSizeBytes) +
                     " bytes" + (got > kSizeBytes ? " (it is longer)" : "");
        }
        return false;
    }
    data.resize(kSizeBytes);
    bytes_ = std::move(data);
    return true;
}

bool MemoryImage::saveFile(const std::string& path, std::string* error) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(reinterpret_cast<const char*>(bytes_.data()),
                  static_cast<std::streamsize>(bytes_.size()));
        out.flush();
    }
    if (!out) {
        if (error) *error = "cannot write image file " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace qtsim
