// The eight numbered file channels and the whole-file helpers.
//
// Each channel keeps the platform handle, the size taken when it was opened for reading, and the
// position: the bytes consumed by reads as moved by seeks (writes do not move it). Reads go through a
// read-ahead buffer that keeps the file pointer where unbuffered reads would leave it.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "runtime/number_args.h"
#include "runtime/program_end.h"
#include "storage/buffered_file.h"
#include "storage/file_access.h"
#include "storage/line_rule.h"
#include "storage/storage.h"

namespace {

struct FileChannel {
    tarvok::BufferedFile file;   // its handle is kNoFile while closed
    std::uint32_t size = 0;      // file size when opened for reading; 0 when opened for writing
    std::uint32_t position = 0;  // bytes consumed by reads, as moved by seeks
};

constexpr int kChannelCount = 8;
FileChannel g_channels[kChannelCount];

// The channel for a channel number; numbers outside 0 <= n < 8 (NaN included) end the program with
// error 7.
FileChannel& Channel(double number) {
    if (!(number >= 0 && number < kChannelCount)) RaiseRuntimeError(kErrorBadNumber);
    return g_channels[tarvok::ToInt(number)];
}

void Close(FileChannel& channel) {
    platform::CloseFile(channel.file.Handle());
    channel = FileChannel{};
}

bool IsOpen(const FileChannel& channel) { return channel.file.Handle() != platform::kNoFile; }

// The line rule's reads, counted in the channel's position as they happen.
class CountingSource final : public tarvok::LineSource {
public:
    explicit CountingSource(FileChannel& channel) : channel_(channel) {}
    std::size_t Read(char* buffer, std::size_t count) override {
        const std::size_t n = channel_.file.Read(buffer, count);
        channel_.position += static_cast<std::uint32_t>(n);
        return n;
    }
    void Back(std::size_t count) override {
        channel_.file.Back(count);
        channel_.position -= static_cast<std::uint32_t>(count);
    }

private:
    FileChannel& channel_;
};

// Reads exactly count bytes (position grows first); anything less ends the program with error 3.
void ReadExact(double number, void* bytes, std::uint32_t count) {
    FileChannel& channel = Channel(number);
    channel.position += count;
    if (channel.file.Read(static_cast<char*>(bytes), count) != count) RaiseRuntimeError(kErrorFile);
}

// Writes exactly count bytes; anything less (a closed channel included) ends the program with error 3.
void WriteExact(double number, const void* bytes, std::size_t count) {
    FileChannel& channel = Channel(number);
    if (!IsOpen(channel) || !channel.file.Write(bytes, count)) RaiseRuntimeError(kErrorFile);
}

std::uint32_t LoadLe(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

void WriteLe(double number, std::uint32_t value, int count) {
    std::uint8_t bytes[4];
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    WriteExact(number, bytes, static_cast<std::size_t>(count));
}

// The value as a 32-bit float, rounded to nearest. A plain conversion of a finite value beyond the
// float range is undefined behaviour, so those are rounded by hand: to the largest float up to half a
// unit above it, to infinity beyond.
float NarrowToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isfinite(value) && std::fabs(value) > kMax) {
        const double halfUnitAbove = kMax + std::ldexp(1.0, 103);
        const float magnitude = std::fabs(value) < halfUnitAbove ? std::numeric_limits<float>::max()
                                                                 : std::numeric_limits<float>::infinity();
        return std::copysign(magnitude, static_cast<float>(std::signbit(value) ? -1 : 1));
    }
    return static_cast<float>(value);
}

// Opens a file as FileSize does; kNoFile when it cannot.
platform::FileHandle OpenNamed(const RtString& name) {
    if (!tarvok::FitsPathBuffer(name.CText())) return platform::kNoFile;
    return platform::OpenFileForReading(name.CText());
}

std::uint32_t ClampedSize(platform::FileHandle file) {
    const std::int64_t size = platform::SizeOfFile(file);
    if (size <= 0) return 0;
    return size > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<std::uint32_t>(size);
}

}  // namespace

double OpenFile(double channelNumber, const RtString& name, double mode) {
    FileChannel& channel = Channel(channelNumber);
    Close(channel);
    if (!tarvok::FitsPathBuffer(name.CText())) return 0;
    if (tarvok::ToInt(mode) == 0) {
        channel.file = tarvok::BufferedFile(platform::CreateFileForWriting(name.CText()));
    } else {
        channel.file = tarvok::BufferedFile(platform::OpenFileForReading(name.CText()));
        channel.size = ClampedSize(channel.file.Handle());
    }
    return IsOpen(channel) ? 1 : 0;
}

void CloseFile(double channel) { Close(Channel(channel)); }

double EndOfFile(double channelNumber) {
    const FileChannel& channel = Channel(channelNumber);
    return channel.position >= channel.size ? 1 : 0;
}

double FilePosition(double channel) { return Channel(channel).position; }

void FileSeek(double channelNumber, double offset, double mode) {
    FileChannel& channel = Channel(channelNumber);
    const std::int32_t delta = tarvok::ToInt(offset);
    const std::int32_t how = tarvok::ToInt(mode);
    platform::SeekFrom from = platform::SeekFrom::kStart;
    std::uint32_t base = 0;
    if (how > 0) {
        from = platform::SeekFrom::kCurrent;
        base = channel.position;
    } else if (how < 0) {
        from = platform::SeekFrom::kEnd;
        base = channel.size;
    }
    channel.position = base + static_cast<std::uint32_t>(delta);  // wraps as 32-bit arithmetic does
    if (IsOpen(channel)) channel.file.Seek(delta, from);
}

void ReadByte(double channel, double& value) {
    std::uint8_t b[1];
    ReadExact(channel, b, 1);
    value = b[0];
}

void ReadWord(double channel, double& value) {
    std::uint8_t b[2];
    ReadExact(channel, b, 2);
    value = LoadLe(b, 2);
}

void ReadLong(double channel, double& value) {
    std::uint8_t b[4];
    ReadExact(channel, b, 4);
    value = LoadLe(b, 4);
}

void ReadFloat(double channel, double& value) {
    float f;
    ReadExact(channel, &f, 4);
    value = f;
}

void ReadDouble(double channel, double& value) {
    double d;
    ReadExact(channel, &d, 8);
    value = d;
}

void ReadString(double channelNumber, RtString& text, double count) {
    if (count <= 0) {
        text = "";
        return;
    }
    FileChannel& channel = Channel(channelNumber);
    const std::int64_t wanted = tarvok::ToInt64(count);
    channel.position += static_cast<std::uint32_t>(wanted);
    // The count comes from the game: bound it by what the file still holds before allocating.
    std::int64_t left = 0;
    if (IsOpen(channel)) {
        const std::int64_t here = channel.file.Tell();
        left = here < 0 ? 0 : platform::SizeOfFile(channel.file.Handle()) - here;
    }
    if (wanted > left || wanted >= 0xFFFFFFFF) RaiseRuntimeError(kErrorFile);
    std::string bytes(static_cast<std::size_t>(wanted), '\0');
    if (channel.file.Read(bytes.data(), bytes.size()) != bytes.size()) RaiseRuntimeError(kErrorFile);
    text = bytes.c_str();  // a zero byte in the data ends the text there
}

void ReadLine(double channelNumber, RtString& text) {
    FileChannel& channel = Channel(channelNumber);
    char line[tarvok::kLineLimit + 1];
    std::size_t length = 0;
    CountingSource source(channel);
    if (!tarvok::ReadLineFrom(source, line, length)) RaiseRuntimeError(kErrorFile);
    text = line;
}

void ReadLineNumber(double channel, double& value) {
    RtString line;
    ReadLine(channel, line);
    value = TextToNumber(line);
}

void WriteByte(double channel, double value) { WriteLe(channel, tarvok::ToLowBits32(value), 1); }

void WriteWord(double channel, double value) { WriteLe(channel, tarvok::ToLowBits32(value), 2); }

void WriteLong(double channel, double value) { WriteLe(channel, tarvok::ToLowBits32(value), 4); }

void WriteFloat(double channel, double value) {
    const float f = NarrowToFloat(value);
    WriteExact(channel, &f, 4);
}

void WriteDouble(double channel, double value) { WriteExact(channel, &value, 8); }

void WriteString(double channel, const RtString& text) { WriteExact(channel, text.Data(), text.Length()); }

void WriteLine(double channel, const RtString& text) {
    RtString line = text;
    line.Append("\r\n");
    WriteExact(channel, line.Data(), line.Length());
}

void WriteLineNumber(double channel, double value) { WriteLine(channel, RtString(value)); }

double FileSize(const RtString& name) {
    const platform::FileHandle file = OpenNamed(name);
    if (file == platform::kNoFile) return 0;
    const std::int64_t size = platform::SizeOfFile(file);
    platform::CloseFile(file);
    return size < 0 ? 0 : static_cast<double>(size);
}

double DoesFileExist(const RtString& name) {
    const platform::FileHandle file = OpenNamed(name);
    platform::CloseFile(file);
    return file == platform::kNoFile ? 0 : 1;
}

void KillFile(const RtString& name) { platform::DeleteFile(name.CText()); }

void CopyFile(const RtString& source, const RtString& target) {
    const platform::FileHandle from = OpenNamed(source);
    if (from == platform::kNoFile) return;
    const platform::FileHandle to = tarvok::FitsPathBuffer(target.CText())
                                        ? platform::CreateFileForWriting(target.CText())
                                        : platform::kNoFile;
    if (to != platform::kNoFile) {
        constexpr std::size_t kBlock = 4096;
        char block[kBlock];
        std::int64_t left = platform::SizeOfFile(from);
        while (left > 0) {
            const std::size_t want =
                left < static_cast<std::int64_t>(kBlock) ? static_cast<std::size_t>(left) : kBlock;
            if (platform::ReadFile(from, block, want) != want || !platform::WriteFile(to, block, want)) break;
            left -= static_cast<std::int64_t>(want);
        }
        platform::CloseFile(to);
    }
    platform::CloseFile(from);
}

RtString GetCurrentDir() {
    std::string dir = platform::CurrentDirectory();
    for (char& c : dir) {
        if (c == '\\') c = '/';
    }
    if (dir.empty() || dir.back() != '/') dir += '/';
    return RtString(dir.c_str());
}

double SetCurrentDir(const RtString& path) { return platform::ChangeDirectoryResolved(path.CText()) ? 1 : 0; }

double ToForwardSlashes(RtString& text) {
    for (std::uint32_t i = 0; i < text.Length(); ++i) {
        if (text.CharAt(static_cast<std::int32_t>(i)) == '\\')
            text.SetCharAt(static_cast<std::int32_t>(i), '/');
    }
    return text.Length();
}

void tarvok::CloseAllFileChannels() {
    for (FileChannel& channel : g_channels) Close(channel);
}
