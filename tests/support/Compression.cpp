#include "tests/support/Compression.h"

#include <brotli/encode.h>
#include <zlib.h>

namespace testsupport {

std::string gzipOf(std::string_view data) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string brotliOf(std::string_view data) {
    std::string out(BrotliEncoderMaxCompressedSize(data.size()) + 64, '\0');
    size_t size = out.size();
    BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, data.size(),
                          reinterpret_cast<const uint8_t*>(data.data()), &size,
                          reinterpret_cast<uint8_t*>(out.data()));
    out.resize(size);
    return out;
}

} // namespace testsupport
