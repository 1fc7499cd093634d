#include "store_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/posix/unique_fd.h"
#include "store_message.h"

namespace store {
namespace {

using platform::posix::UniqueFd;

std::uint32_t BigEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
    return value;
}

// What the first 100 bytes of the file say.
struct Header {
    std::array<unsigned char, 100> bytes{};
    std::size_t got = 0;
    std::uint64_t fileSize = 0;
    bool hasLog = false;

    // The size the header gives, when it can be trusted, is more than the file holds.
    bool ShortOfItsPages() const {
        // The page count is only trustworthy while its change counter matches.
        const bool countValid = BigEndian(&bytes[24], 4) == BigEndian(&bytes[92], 4);
        return countValid && fileSize < PagesSize();
    }
    std::uint64_t PagesSize() const {
        std::uint64_t pageSize = BigEndian(&bytes[16], 2);
        if (pageSize == 1) pageSize = 65536;
        return pageSize * BigEndian(&bytes[28], 4);
    }
};

// Read with plain system calls: a file stream would build the C++ locale, which the
// program needs nowhere else, and with it page in a good part of the C++ library.
Header ReadHeader(const std::string& path) {
    Header header;
    // The log is looked for first: a writer that appears meanwhile only adds a log.
    header.hasLog = HasWriteAheadLog(path);
    auto cannotRead = [&path] {
        Refuse(path, std::string("it cannot be read (") + std::strerror(errno) + ")");
    };
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) cannotRead();
    while (header.got < header.bytes.size()) {
        const ssize_t got = pread(file.Get(), header.bytes.data() + header.got,
                                  header.bytes.size() - header.got, static_cast<off_t>(header.got));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) cannotRead();
        if (got == 0) break;
        header.got += static_cast<std::size_t>(got);
    }
    // The size is taken after the header, as a checkpoint writes page 1 before it extends
    // the file: read the other way round, a sound file could look short of its pages.
    struct stat info {};
    if (fstat(file.Get(), &info) != 0) cannotRead();
    header.fileSize = static_cast<std::uint64_t>(info.st_size);
    return header;
}

}  // namespace

bool HasWriteAheadLog(const std::string& path) {
    struct stat info {};
    return stat((path + "-wal").c_str(), &info) == 0;
}

// While a write-ahead log is beside the file, the header's page count is not the truth: a
// checkpoint writes page 1 before the pages that extend the file, and a crash or a full
// disk can stop it there; SQLite then reads the missing pages from the log. Only a file
// without a log, which no checkpoint is writing, is held to its page count.
void CheckHeader(const std::string& path) {
    Header header = ReadHeader(path);
    if (header.got == 0) Refuse(path, "the file is empty");
    if (header.got < 16 || std::memcmp(header.bytes.data(), "SQLite format 3", 16) != 0) {
        Refuse(path, "it is not a registry store");
    }
    if (header.got < header.bytes.size()) {
        Refuse(path, "the file is truncated");
    }
    if (BigEndian(&header.bytes[68], 4) != kApplicationId)
        Refuse(path, "it is not a registry store");
    const std::uint32_t version = BigEndian(&header.bytes[60], 4);
    if (version != kSchemaVersion) {
        Refuse(path, "its format " + std::to_string(version) + " is not known to this program");
    }
    // A process that opened the store between our look for the log and our read of the
    // header shows on a second look.
    for (int attempt = 0; attempt < 3 && !header.hasLog && header.ShortOfItsPages(); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        header = ReadHeader(path);
    }
    if (!header.hasLog && header.ShortOfItsPages()) {
        Refuse(path, "the file is truncated (" + std::to_string(header.fileSize) + " of " +
                         std::to_string(header.PagesSize()) + " bytes)");
    }
}

}  // namespace store
