// The system calls off Windows: directories, the computer name, the mount table, and
// volumes read from real file-system images through the code that serves mounted ones.
#include "platform/posix/posix_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "code_page.h"
#include "failing_registry.h"
#include "platform/posix/folder_entries.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/volume_identity.h"
#include "recording_site.h"
#include "regctl/tav_registry.h"
#include "temp_dir.h"

using namespace platform;
using namespace platform::posix;

namespace {

struct VolumeReading {
    Bool ok = 0;
    std::string label;
    Dword serial = 0;
    std::string fileSystem;
};

VolumeReading ReadVolume(PosixSystem& system, const char* root) {
    VolumeReading reading;
    char label[14];
    char fileSystem[32] = {};
    Dword maxLength = 0, flags = 0;
    reading.ok = system.GetVolumeInformationA(root, label, sizeof label, &reading.serial,
                                              &maxLength, &flags, fileSystem, sizeof fileSystem);
    if (reading.ok) {
        reading.label = label;
        reading.fileSystem = fileSystem;
    }
    return reading;
}

// Images made with the file-system tools, described by a mount table of the test's own.
class Volumes : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string mountInfo = dir.File("mountinfo");

    std::string MakeImage(const std::string& name, const std::string& command) {
        const std::string image = dir.File(name);
        const std::string line =
            "truncate -s 8M " + image + " && " + command + " " + image + " >/dev/null 2>&1";
        if (std::system(line.c_str()) != 0) return {};
        return image;
    }

    void Mount(const std::string& lines) { std::ofstream(mountInfo) << lines; }

    static std::string Line(const std::string& mountPoint, const std::string& type,
                            const std::string& source) {
        return "36 25 0:99 / " + mountPoint + " rw,relatime - " + type + " " + source + " rw\n";
    }
};

bool HaveTool(const char* name) {
    return std::system(
               (std::string("command -v ") + name + " >/dev/null 2>&1 || test -x /usr/sbin/" + name)
                   .c_str()) == 0;
}

}  // namespace

TEST(Directories, StandInForTheWindowsAndSystemDirectories) {
    PosixSystem system;
    char buffer[64];
    EXPECT_EQ(system.GetWindowsDirectoryA(buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "/usr");
    EXPECT_EQ(system.GetSystemDirectoryA(buffer, sizeof buffer), 8u);
    EXPECT_STREQ(buffer, "/usr/lib");
    // Too small: nothing written, the size needed with its NUL returned.
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(system.GetWindowsDirectoryA(small, sizeof small), 5u);
    EXPECT_EQ(small[0], 'x');
}

TEST(ComputerName, IsTheHostsFirstLabel) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    const std::string expected(host, std::string(host).find('.') == std::string::npos
                                         ? std::string(host).size()
                                         : std::string(host).find('.'));
    PosixSystem system;
    char buffer[1024] = {};
    Dword size = sizeof buffer;
    ASSERT_TRUE(system.GetComputerNameA(buffer, &size));
    EXPECT_EQ(std::string(buffer, size), expected);
    char tiny[1];
    size = 1;
    EXPECT_FALSE(system.GetComputerNameA(tiny, &size));
    EXPECT_EQ(size, expected.size() + 1);
}

// A registry's files are found as Windows finds them, in any case; where a folder on a
// case-sensitive disk holds two spellings, the one asked for wins.
TEST(FolderEntries, AreMatchedInAnyCaseTheExactSpellingFirst) {
    testing_support::TempDir dir;
    std::ofstream(dir.File("USER.DAT")) << "";
    EXPECT_EQ(FindEntry(dir.File(""), "user.dat"), dir.File("USER.DAT"));
    EXPECT_EQ(FindEntry(dir.File(""), "system.dat"), std::nullopt);
    std::ofstream(dir.File("user.dat")) << "";
    std::ofstream(dir.File("User.Dat")) << "";
    EXPECT_EQ(FindEntry(dir.File(""), "user.dat"), dir.File("user.dat"));
    EXPECT_EQ(FindEntry(dir.File(""), "USER.DAT"), dir.File("USER.DAT"));
    std::filesystem::create_directories(dir.File("Windows/SYSTEM32/Config"));
    EXPECT_EQ(FindPath(dir.File(""), {"windows", "System32", "config"}),
              dir.File("Windows/SYSTEM32/Config"));
    EXPECT_EQ(FindPath(dir.File(""), {"windows", "System"}), std::nullopt);
    EXPECT_TRUE(IsFolder(dir.File("Windows")));
    EXPECT_FALSE(IsFolder(dir.File("USER.DAT")));
    EXPECT_TRUE(IsFile(dir.File("USER.DAT")));
}

TEST(MountTable, ParsesFieldsAndEscapes) {
    const auto entries = ParseMountInfo(
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "40 27 8:17 / /media/user/MY\\040STICK rw,nosuid shared:7 master:1 - vfat /dev/sdb1 rw\n"
        "garbage line\n"
        "41 27 8:18 / /mnt/back\\134slash rw - ext4 /dev/sdb2 rw\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].mountPoint, "/proc");
    EXPECT_EQ(entries[0].fsType, "proc");
    EXPECT_EQ(entries[1].mountPoint, "/media/user/MY STICK");
    EXPECT_EQ(entries[1].fsType, "vfat");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
    EXPECT_EQ(entries[2].mountPoint, "/mnt/back\\slash");
}

TEST(SerialNumbers, AreTheOnesWindowsShows) {
    EXPECT_EQ(SerialFromUuid("vfat", "1A2B-3C4D"), 0x1A2B3C4Du);
    EXPECT_EQ(SerialFromUuid("exfat", "0000-00FF"), 0xFFu);
    EXPECT_EQ(SerialFromUuid("ntfs", "191D872037999490"), 0x37999490u);
    EXPECT_EQ(SerialFromUuid("fuseblk", "191D872037999490"), 0x37999490u);
    EXPECT_EQ(SerialFromUuid("ext4", "3f2a9c1e-1111-2222-3333-444455556666"), 0x3F2A9C1Eu);
    EXPECT_EQ(SerialFromUuid("vfat", "oops"), std::nullopt);
    EXPECT_EQ(SerialFromUuid("ext4", ""), std::nullopt);
}

TEST_F(Volumes, AFatStickReadsTheSerialWindowsShows) {
    const std::string image = MakeImage("fat.img", "/usr/sbin/mkfs.fat -i 1A2B3C4D -n DATA");
    ASSERT_FALSE(image.empty()) << "mkfs.fat (dosfstools) is needed";
    const auto identity = ProbeFilesystem(image);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->label, "DATA");
    EXPECT_EQ(identity->uuid, "1A2B-3C4D");

    Mount(Line("/media/user/STICK", "vfat", image));
    PosixSystem system(mountInfo);
    const VolumeReading reading = ReadVolume(system, "/media/user/STICK/");
    ASSERT_TRUE(reading.ok);
    EXPECT_EQ(reading.label, "DATA");
    EXPECT_EQ(reading.serial, 0x1A2B3C4Du);
    EXPECT_EQ(reading.fileSystem, "VFAT");
}

TEST_F(Volumes, OnlyAMountPointFollowedByASlashNamesAVolume) {
    const std::string image = MakeImage("fat.img", "/usr/sbin/mkfs.fat -i 1A2B3C4D -n DATA");
    ASSERT_FALSE(image.empty());
    Mount(Line("/media/user/STICK", "vfat", image) +
          Line("/media/user/MY\\040STICK", "vfat", image));
    PosixSystem system(mountInfo);
    EXPECT_FALSE(ReadVolume(system, "/media/user/STICK").ok);
    EXPECT_FALSE(ReadVolume(system, "/media/user/").ok);
    EXPECT_FALSE(ReadVolume(system, "/media/user/STICK/sub/").ok);
    EXPECT_FALSE(ReadVolume(system, "").ok);
    EXPECT_TRUE(ReadVolume(system, "/media/user/MY STICK/").ok);
}

TEST_F(Volumes, AMountPointOutsideTheCodePageNamesNoVolume) {
    ASSUME_CODE_PAGE(1252);
    const std::string image = MakeImage("fat.img", "/usr/sbin/mkfs.fat -i 1A2B3C4D -n DATA");
    ASSERT_FALSE(image.empty());
    Mount(Line("/media/\xE4\xB8\xAD", "vfat", image) + Line("/media/caf\xC3\xA9", "vfat", image));
    PosixSystem system(mountInfo);
    EXPECT_FALSE(ReadVolume(system, "/media/?/").ok);
    EXPECT_TRUE(ReadVolume(system, "/media/caf\xE9/").ok);  // é is in the code page
}

TEST_F(Volumes, ALabelOfThirteenCharactersFitsAndALongerOneFails) {
    const std::string fits = MakeImage(
        "fits.img",
        "/usr/sbin/mkfs.ext4 -q -F -L THIRTEENCHARS -U 3f2a9c1e-1111-2222-3333-444455556666");
    const std::string long_ = MakeImage("long.img", "/usr/sbin/mkfs.ext4 -q -F -L FOURTEENCHARSX");
    ASSERT_FALSE(fits.empty() || long_.empty()) << "mkfs.ext4 (e2fsprogs) is needed";
    Mount(Line("/mnt/fits", "ext4", fits) + Line("/mnt/long", "ext4", long_));
    PosixSystem system(mountInfo);
    const VolumeReading reading = ReadVolume(system, "/mnt/fits/");
    ASSERT_TRUE(reading.ok);
    EXPECT_EQ(reading.label, "THIRTEENCHARS");
    EXPECT_EQ(reading.serial, 0x3F2A9C1Eu);
    EXPECT_FALSE(ReadVolume(system, "/mnt/long/").ok);
}

TEST_F(Volumes, NtfsReadsTheLastEightDigitsOfItsSerial) {
    if (!HaveTool("mkntfs")) GTEST_SKIP() << "mkntfs (ntfs-3g) is not installed";
    const std::string image = MakeImage("ntfs.img", "/usr/sbin/mkntfs -F -f -q -L NT");
    ASSERT_FALSE(image.empty());
    const auto identity = ProbeFilesystem(image);
    ASSERT_TRUE(identity);
    ASSERT_EQ(identity->uuid.size(), 16u);
    Mount(Line("/mnt/nt", "fuseblk", image));
    PosixSystem system(mountInfo);
    const VolumeReading reading = ReadVolume(system, "/mnt/nt/");
    ASSERT_TRUE(reading.ok);
    EXPECT_EQ(reading.label, "NT");
    EXPECT_EQ(reading.serial, std::stoul(identity->uuid.substr(8), nullptr, 16));
}

TEST_F(Volumes, AFileSystemWithoutADeviceIsNamedByItsId) {
    Mount(Line("/", "tmpfs", "tmpfs"));
    PosixSystem system(mountInfo);
    const VolumeReading reading = ReadVolume(system, "/");
    ASSERT_TRUE(reading.ok);
    EXPECT_EQ(reading.label, "");
}

TEST_F(Volumes, UdevLinksNameTheDeviceForAnOrdinaryUser) {
    const std::string image = MakeImage("dev.img", "true");
    const std::string disk = dir.File("disk");
    std::filesystem::create_directories(disk + "/by-uuid");
    std::filesystem::create_directories(disk + "/by-label");
    std::filesystem::create_symlink(image, disk + "/by-uuid/0A0B-0C0D");
    std::filesystem::create_symlink(image, disk + "/by-label/MY\\x20DISK");
    Mount(Line("/media/disk", "vfat", image));
    PosixSystem system(mountInfo, disk);
    const VolumeReading reading = ReadVolume(system, "/media/disk/");
    ASSERT_TRUE(reading.ok);
    EXPECT_EQ(reading.label, "MY DISK");
    EXPECT_EQ(reading.serial, 0x0A0B0C0Du);
}

TEST(VolumeForTheControl, AFatImageMountedForTheControlReadsAsOnWindows) {
    testing_support::TempDir dir;
    const std::string image = dir.File("stick.img");
    const std::string make = "truncate -s 2M " + image +
                             " && /usr/sbin/mkfs.fat -i 1A2B3C4D -n DATA " + image +
                             " >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0) << "mkfs.fat (dosfstools) is needed";
    std::ofstream(dir.File("mountinfo"))
        << "40 27 8:17 / /media/user/STICK rw - vfat " << image << " rw\n";
    platform::posix::PosixSystem posix(dir.File("mountinfo"));
    testing_support::FailingRegistry registry;
    testing_support::RecordingSite site;
    regctl::TavRegistry onStick{platform::Platform{registry, posix}, site};
    onStick.Drive(u"/media/user/STICK/");
    EXPECT_EQ(onStick.VolumeLabel(), u"DATA");
    EXPECT_EQ(onStick.SerialNumber(), u"1A2B-3C4D");
}
