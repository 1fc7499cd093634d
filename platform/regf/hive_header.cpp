#include "platform/regf/hive_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>
#include <cerrno>

#include "platform/posix/folder_entries.h"
#include "platform/regf/hive_format.h"
#include "platform/regf/regf_error.h"

namespace regf {
namespace {

constexpr std::size_t kBinSize = 4096;

// Up to size bytes from the start of the file; fewer when it is shorter.
std::size_t ReadStart(const std::string& path, std::uint8_t* into, std::size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw SystemFault("Cannot read", path, errno);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t done = ::read(fd, into + got, size - got);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) {
            const int error = errno;
            ::close(fd);
            throw SystemFault("Cannot read", path, error);
        }
        if (done == 0) break;
        got += static_cast<std::size_t>(done);
    }
    ::close(fd);
    return got;
}

// How much of a log is read to look for its entries.
constexpr std::size_t kLogReadLimit = 16 << 20;

// What a log says of the writes it holds: the sequence number of its base block, and the
// latest of its entries (HvLE, Windows 8.1 on), when it has any.
struct LogSequences {
    std::uint32_t base = 0;
    std::optional<std::uint32_t> latestEntry;
};

// nullopt for a log without a base block (an empty or cleared log).
std::optional<LogSequences> ReadLogSequences(const std::vector<std::uint8_t>& log) {
    if (log.size() < 512 || std::string_view(reinterpret_cast<const char*>(log.data()), 4) != "regf") {
        return std::nullopt;
    }
    LogSequences sequences{Le32(&log[4]), std::nullopt};
    for (std::size_t at = 512; at + 16 <= log.size();) {
        if (std::string_view(reinterpret_cast<const char*>(&log[at]), 4) != "HvLE") break;
        const std::uint32_t size = Le32(&log[at + 4]);
        if (size < 512 || size % 512 != 0) break;
        sequences.latestEntry = std::max(sequences.latestEntry.value_or(0), Le32(&log[at + 12]));
        at += size;
    }
    return sequences;
}

RegfFileError Damaged(const std::string& path, const std::string& fault) {
    return RegfFileError(RegfFileError::Kind::Damaged, path + " " + fault);
}

}  // namespace

HiveHeader ReadHiveHeader(const std::string& path, std::uint64_t fileSize) {
    // The base block and the header of the first bin.
    std::array<std::uint8_t, kBaseBlockSize + 32> start{};
    const std::size_t got = ReadStart(path, start.data(), start.size());
    if (got < 4 || std::string_view(reinterpret_cast<const char*>(start.data()), 4) != "regf") {
        if (got == 0) throw Damaged(path, "is empty: it is no Windows NT registry hive.");
        throw Damaged(path, "is no Windows NT registry hive: it does not start with \"regf\".");
    }
    if (got < kBaseBlockSize + 32) {
        throw Damaged(path, "is truncated: it holds " + std::to_string(fileSize) +
                                " bytes, less than a hive's header and first bin.");
    }
    const std::uint8_t* block = start.data();
    HiveHeader header;
    header.primarySequence = Le32(block + 4);
    header.secondarySequence = Le32(block + 8);
    const std::uint32_t major = Le32(block + 0x14);
    if (major != 1) {
        throw Damaged(path, "is a registry hive of an unknown version (" + std::to_string(major) +
                                "); only version 1 is read.");
    }
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4) checksum ^= Le32(block + at);
    if (checksum == 0) checksum = 1;
    if (checksum == 0xFFFFFFFF) checksum = 0xFFFFFFFE;
    if (checksum != Le32(block + 0x1FC)) {
        throw Damaged(path, "is damaged: the checksum of its header does not match it.");
    }
    if (Le32(block + 0x1C) != 0) {
        throw Damaged(path, "is a transaction log or an alternate copy of a hive, not a hive.");
    }
    header.binsSize = Le32(block + 0x28);
    if (header.binsSize == 0 || header.binsSize % kBinSize != 0) {
        throw Damaged(path, "is damaged: its header counts " + std::to_string(header.binsSize) +
                                " bytes of hive bins, which is no whole number of bins.");
    }
    if (kBaseBlockSize + static_cast<std::uint64_t>(header.binsSize) > fileSize) {
        throw Damaged(path, "is truncated: its header counts " + std::to_string(header.binsSize) +
                                " bytes of hive bins, the file holds " +
                                std::to_string(fileSize - kBaseBlockSize) + " after its header.");
    }
    if (std::string_view(reinterpret_cast<const char*>(block + kBaseBlockSize), 4) != "hbin") {
        throw Damaged(path, "is damaged: no hive bin follows its header.");
    }
    return header;
}

std::optional<std::string> DirtyEvidence(const std::string& path, const HiveHeader& header) {
    if (header.primarySequence != header.secondarySequence) {
        return "the sequence numbers in its header differ (" +
               std::to_string(header.primarySequence) + " and " +
               std::to_string(header.secondarySequence) + ")";
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const char* suffix : {".LOG", ".LOG1", ".LOG2"}) {
        const auto log = platform::posix::FindEntry(folder, name + suffix);
        if (!log) continue;
        std::vector<std::uint8_t> bytes(kLogReadLimit);
        try {
            bytes.resize(ReadStart(*log, bytes.data(), bytes.size()));
        } catch (const RegfFileError&) {
            continue;
        }
        const auto sequences = ReadLogSequences(bytes);
        if (!sequences) continue;
        // Entries are numbered from the hive's sequence number when they were logged, and
        // a base block alone is a copy of the hive's header when the log began.
        const bool newer = sequences->latestEntry
                               ? *sequences->latestEntry >= header.secondarySequence
                               : sequences->base > header.primarySequence;
        if (newer) {
            return *log + " holds writes the hive lacks (sequence " +
                   std::to_string(sequences->latestEntry.value_or(sequences->base)) +
                   ", the hive's " + std::to_string(header.secondarySequence) + ")";
        }
    }
    return std::nullopt;
}

}  // namespace regf
