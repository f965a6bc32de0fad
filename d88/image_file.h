// Opening an image file: the one place where the reader asks the operating system what the C
// library cannot tell, namely what kind of file a path names and which file it is.
#ifndef D88_IMAGE_FILE_H
#define D88_IMAGE_FILE_H

#include <cstdio>

#include "d88/d88_image.h"

namespace d88 {

/// Opens `path` for binary reading and sets `*identity` to the file that was opened and
/// `*size` to its size in bytes. Never waits: a FIFO, with or without a writer, is refused at
/// once, like any other file that is neither a regular file nor a block device (a socket, a
/// terminal), with errno 0.
/// Returns null with errno the system's reason when the file cannot be opened (a directory:
/// EISDIR, or the C library's own reason).
std::FILE* OpenImageFile(const char* path, FileIdentity* identity, std::int64_t* size);

}  // namespace d88

#endif  // D88_IMAGE_FILE_H
