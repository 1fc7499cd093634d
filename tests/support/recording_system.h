// Wraps the real system calls: records every call, and answers chosen ones with scripted
// results in kernel32's shapes, for platform facts a test cannot arrange.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_api.h"

namespace testing_support {

class RecordingSystem : public platform::SystemApi {
public:
    using Dword = platform::Dword;
    using Bool = platform::Bool;

    // A volume to report instead of asking the system.
    struct Volume {
        std::string label;
        Dword serial = 0;
    };

    explicit RecordingSystem(platform::SystemApi& inner) : inner_(inner) {}

    std::vector<std::string> calls;  // function names; volume calls with their root path
    std::optional<std::string> windowsDirectory, systemDirectory, computerName;
    std::optional<Volume> volume;
    bool failVolume = false;
    bool failComputerName = false;

    Dword GetWindowsDirectoryA(char* buffer, Dword size) override {
        calls.push_back("GetWindowsDirectoryA");
        if (!windowsDirectory) return inner_.GetWindowsDirectoryA(buffer, size);
        return Copy(*windowsDirectory, buffer, size);
    }
    Dword GetSystemDirectoryA(char* buffer, Dword size) override {
        calls.push_back("GetSystemDirectoryA");
        if (!systemDirectory) return inner_.GetSystemDirectoryA(buffer, size);
        return Copy(*systemDirectory, buffer, size);
    }
    Bool GetComputerNameA(char* buffer, Dword* size) override {
        calls.push_back("GetComputerNameA");
        if (failComputerName) return 0;
        if (!computerName) return inner_.GetComputerNameA(buffer, size);
        if (*size <= computerName->size()) return 0;
        std::memcpy(buffer, computerName->c_str(), computerName->size() + 1);
        *size = static_cast<Dword>(computerName->size());
        return 1;
    }
    Bool GetVolumeInformationA(const char* rootPath, char* volumeName, Dword volumeNameSize,
                               Dword* serialNumber, Dword* maxComponentLength, Dword* flags,
                               char* fileSystemName, Dword fileSystemNameSize) override {
        calls.push_back(std::string("GetVolumeInformationA ") + rootPath);
        if (failVolume) return 0;
        if (!volume) {
            return inner_.GetVolumeInformationA(rootPath, volumeName, volumeNameSize, serialNumber,
                                                maxComponentLength, flags, fileSystemName,
                                                fileSystemNameSize);
        }
        if (volumeNameSize <= volume->label.size()) return 0;
        // The label may hold NULs of its own; the buffer gets all of it and one more.
        std::memcpy(volumeName, volume->label.data(), volume->label.size());
        volumeName[volume->label.size()] = '\0';
        *serialNumber = volume->serial;
        return 1;
    }

private:
    static Dword Copy(const std::string& text, char* buffer, Dword size) {
        if (size <= text.size()) return static_cast<Dword>(text.size() + 1);
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<Dword>(text.size());
    }

    platform::SystemApi& inner_;
};

}  // namespace testing_support
