// The file layer the store's connections open their files through: the system's own,
// except that each frame of the write-ahead log, a 24-byte header and its page, goes to
// the file in one write rather than two.
#pragma once

namespace store::sqlite {

// Registers the layer with SQLite on first use; the name to open connections with.
const char* FrameJoiningVfs();

}  // namespace store::sqlite
