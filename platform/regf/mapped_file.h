// A file mapped read-only into memory for as long as the object lives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace regf {

class MappedFile {
public:
    // Maps the whole file at path; throws RegfFileError naming it when it cannot be read
    // or is empty.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const std::uint8_t* Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace regf
