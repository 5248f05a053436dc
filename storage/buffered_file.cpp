// Read-ahead over a platform file with a logical file pointer.
#include "storage/buffered_file.h"

#include <algorithm>
#include <cstring>

namespace tarvok {

std::size_t BufferedFile::Read(char* out, std::size_t count) {
    std::size_t done = std::min(count, end_ - start_);
    if (done > 0) std::memcpy(out, buffer_.data() + start_, done);
    start_ += done;
    if (done == count || file_ == platform::kNoFile) return done;
    // Large reads go straight to the file; small ones refill the buffer.
    if (count - done >= kBufferSize) return done + platform::ReadFile(file_, out + done, count - done);
    if (buffer_.empty()) buffer_.resize(kBufferSize);
    start_ = 0;
    end_ = platform::ReadFile(file_, buffer_.data(), kBufferSize);
    const std::size_t more = std::min(count - done, end_);
    if (more > 0) std::memcpy(out + done, buffer_.data(), more);
    start_ = more;
    return done + more;
}

void BufferedFile::Back(std::size_t count) {
    if (count <= start_) {
        start_ -= count;
        return;
    }
    Sync();
    platform::SeekFile(file_, -static_cast<std::int64_t>(count), platform::SeekFrom::kCurrent);
}

void BufferedFile::Sync() {
    const std::size_t ahead = end_ - start_;
    start_ = end_ = 0;
    if (ahead > 0) platform::SeekFile(file_, -static_cast<std::int64_t>(ahead), platform::SeekFrom::kCurrent);
}

bool BufferedFile::Seek(std::int64_t offset, platform::SeekFrom from) {
    if (from == platform::SeekFrom::kCurrent) {
        const std::int64_t here = Tell();
        if (here < 0 || here + offset < 0) return false;
        offset += here;
        from = platform::SeekFrom::kStart;
    }
    if (from == platform::SeekFrom::kStart && offset < 0) return false;
    Sync();
    return platform::SeekFile(file_, offset, from) >= 0;
}

std::int64_t BufferedFile::Tell() {
    const std::int64_t pointer = platform::SeekFile(file_, 0, platform::SeekFrom::kCurrent);
    return pointer < 0 ? -1 : pointer - static_cast<std::int64_t>(end_ - start_);
}

bool BufferedFile::Write(const void* bytes, std::size_t count) {
    Sync();
    return platform::WriteFile(file_, bytes, count);
}

}  // namespace tarvok
