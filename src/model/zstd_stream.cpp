// The two zstd streams are glibc cookie streams: stdio calls the functions
// below for every buffer it moves.
#include "model/zstd_stream.h"

#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned char ZSTD_MAGIC[4] = {0x28, 0xB5, 0x2F, 0xFD};

struct ZstdOutput {
    FILE* raw = nullptr;
    bool closeRaw = false;
    ZSTD_CCtx* context = nullptr;
    std::vector<char> out;
};

// Hands everything in the compressor's output buffer to raw.
bool Drain(ZstdOutput* stream, ZSTD_outBuffer* output) {
    if (output->pos > 0 && std::fwrite(output->dst, 1, output->pos, stream->raw) != output->pos) {
        if (!errno) errno = EIO;
        return false;
    }
    output->pos = 0;
    return true;
}

ssize_t WriteCompressed(void* cookie, const char* data, size_t size) {
    auto* stream = static_cast<ZstdOutput*>(cookie);
    ZSTD_inBuffer input{data, size, 0};
    while (input.pos < input.size) {
        ZSTD_outBuffer output{stream->out.data(), stream->out.size(), 0};
        size_t result = ZSTD_compressStream2(stream->context, &output, &input, ZSTD_e_continue);
        if (ZSTD_isError(result)) {
            errno = EIO;
            return -1;
        }
        if (!Drain(stream, &output)) return -1;
    }
    return static_cast<ssize_t>(size);
}

int CloseCompressed(void* cookie) {
    auto* stream = static_cast<ZstdOutput*>(cookie);
    bool sound = true;
    // The frame's end: whatever the compressor still holds, then its epilogue.
    for (;;) {
        ZSTD_inBuffer input{nullptr, 0, 0};
        ZSTD_outBuffer output{stream->out.data(), stream->out.size(), 0};
        size_t left = ZSTD_compressStream2(stream->context, &output, &input, ZSTD_e_end);
        if (ZSTD_isError(left)) {
            errno = EIO;
            sound = false;
            break;
        }
        if (!Drain(stream, &output)) {
            sound = false;
            break;
        }
        if (left == 0) break;
    }
    int saved = errno;
    if (std::fflush(stream->raw) != 0) sound = false, saved = errno;
    if (stream->closeRaw && std::fclose(stream->raw) != 0) sound = false, saved = errno;
    ZSTD_freeCCtx(stream->context);
    delete stream;
    errno = saved;
    return sound ? 0 : EOF;
}

}  // namespace

struct ZstdInput {
    FILE* raw = nullptr;
    bool closeRaw = false;
    ZSTD_DCtx* context = nullptr;
    std::vector<char> in;
    ZSTD_inBuffer input{nullptr, 0, 0};
    bool detected = false;
    bool compressed = false;
    bool frameOpen = false;  // the last frame has not ended yet
    std::string failure;
};

namespace {

// Reads more of raw into the input buffer, once the buffer is used up.
bool Refill(ZstdInput* stream) {
    size_t got = std::fread(stream->in.data(), 1, stream->in.size(), stream->raw);
    stream->input = {stream->in.data(), got, 0};
    return got > 0;
}

ssize_t ReadMaybeCompressed(void* cookie, char* data, size_t size) {
    auto* stream = static_cast<ZstdInput*>(cookie);
    if (!stream->detected) {
        // The first bytes tell: a zstd frame starts with its magic number.
        Refill(stream);
        if (std::ferror(stream->raw)) return -1;
        stream->detected = true;
        stream->compressed = stream->input.size >= sizeof ZSTD_MAGIC &&
                             std::memcmp(stream->in.data(), ZSTD_MAGIC, sizeof ZSTD_MAGIC) == 0;
    }
    if (!stream->compressed) {
        size_t left = stream->input.size - stream->input.pos;
        if (left > 0) {
            size_t n = left < size ? left : size;
            std::memcpy(data, static_cast<const char*>(stream->input.src) + stream->input.pos, n);
            stream->input.pos += n;
            return static_cast<ssize_t>(n);
        }
        size_t got = std::fread(data, 1, size, stream->raw);
        if (got == 0 && std::ferror(stream->raw)) return -1;
        return static_cast<ssize_t>(got);
    }
    ZSTD_outBuffer output{data, size, 0};
    while (output.pos == 0) {
        if (stream->input.pos == stream->input.size && !Refill(stream)) {
            if (std::ferror(stream->raw)) return -1;
            if (stream->frameOpen) {
                stream->failure = "the compressed data end in the middle of a frame";
                errno = EIO;
                return -1;
            }
            return 0;
        }
        size_t result = ZSTD_decompressStream(stream->context, &output, &stream->input);
        if (ZSTD_isError(result)) {
            stream->failure = std::string("the compressed data are damaged: ") + ZSTD_getErrorName(result);
            errno = EIO;
            return -1;
        }
        stream->frameOpen = result != 0;
    }
    return static_cast<ssize_t>(output.pos);
}

int CloseInput(void* cookie) {
    auto* stream = static_cast<ZstdInput*>(cookie);
    int result = stream->closeRaw ? std::fclose(stream->raw) : 0;
    ZSTD_freeDCtx(stream->context);
    delete stream;
    return result;
}

}  // namespace

FILE* OpenZstdOutput(FILE* raw, int level, bool closeRaw) {
    auto* stream = new ZstdOutput();
    stream->raw = raw;
    stream->closeRaw = closeRaw;
    stream->context = ZSTD_createCCtx();
    stream->out.resize(ZSTD_CStreamOutSize());
    if (stream->context) {
        ZSTD_CCtx_setParameter(stream->context, ZSTD_c_compressionLevel, level);
        // A damaged file is found out, not read as other text.
        ZSTD_CCtx_setParameter(stream->context, ZSTD_c_checksumFlag, 1);
        // Compressed on the writing thread itself, in a small window: a
        // worker of the library would buffer jobs of several megabytes
        // beside the tree being written, and a scan file gains nothing from
        // a window wider than a few folders' worth of text.
        ZSTD_CCtx_setParameter(stream->context, ZSTD_c_nbWorkers, 0);
        ZSTD_CCtx_setParameter(stream->context, ZSTD_c_windowLog, ZSTD_STREAM_WINDOW_LOG);
    }
    cookie_io_functions_t functions{nullptr, WriteCompressed, nullptr, CloseCompressed};
    FILE* file = stream->context ? fopencookie(stream, "w", functions) : nullptr;
    if (!file) {
        ZSTD_freeCCtx(stream->context);
        delete stream;
    }
    return file;
}

FILE* OpenZstdInput(FILE* raw, bool closeRaw, ZstdInput** state) {
    auto* stream = new ZstdInput();
    stream->raw = raw;
    stream->closeRaw = closeRaw;
    stream->context = ZSTD_createDCtx();
    stream->in.resize(ZSTD_DStreamInSize());
    cookie_io_functions_t functions{ReadMaybeCompressed, nullptr, nullptr, CloseInput};
    FILE* file = stream->context ? fopencookie(stream, "r", functions) : nullptr;
    if (!file) {
        ZSTD_freeDCtx(stream->context);
        delete stream;
        return nullptr;
    }
    if (state) *state = stream;
    return file;
}

std::string ZstdInputFailure(const ZstdInput* state) { return state ? state->failure : std::string(); }

bool ZstdInputCompressed(const ZstdInput* state) { return state && state->compressed; }
