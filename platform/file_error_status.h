// The registry status a failed file operation gives, by its errno.
#pragma once

#include <cerrno>

#include "platform/win_types.h"

namespace platform {

// A full disk and a refused write are told apart from a file that could not be kept whole.
inline Long StatusOfFileError(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return kErrorDiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return kErrorAccessDenied;
        default:
            return kErrorBadDb;
    }
}

}  // namespace platform
