#include "platform/TextEncoding.h"

#include <QByteArray>
#include <QStringDecoder>
#include <zlib.h>

namespace TextEncoding {

namespace {
QStringDecoder decoderFor(std::string_view charset) {
    const QByteArray name(charset.data(), static_cast<qsizetype>(charset.size()));
    return QStringDecoder(name.constData(), QStringConverter::Flag::Stateless);
}
} // namespace

bool isKnown(std::string_view charset) {
    return !charset.empty() && decoderFor(charset).isValid();
}

std::optional<std::string> toUtf8(std::string_view bytes, std::string_view charset) {
    if (charset.empty())
        return std::nullopt;
    QStringDecoder decoder = decoderFor(charset);
    if (!decoder.isValid())
        return std::nullopt;
    const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// By hand: Qt 6.4's UTF-8 decoder replaces malformed sequences without reporting them (hasError() stays
// false), so it cannot tell a Latin-1 page from a UTF-8 one.
bool isUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else
            return false;
        if (static_cast<std::size_t>(end - p) < length || p[1] < low || p[1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += length;
    }
    return true;
}

std::optional<std::string> inflate(std::string_view compressed, std::size_t maxBytes) {
    z_stream stream{};
    // 32 + 15: a gzip or a zlib header, whichever the stream has.
    if (inflateInit2(&stream, 32 + MAX_WBITS) != Z_OK)
        return std::nullopt;
    std::string out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    char buffer[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = ::inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        const std::size_t produced = sizeof buffer - stream.avail_out;
        if (out.size() + produced > maxBytes) {
            status = Z_BUF_ERROR;
            break;
        }
        out.append(buffer, produced);
        if (produced == 0 && stream.avail_in == 0 && status == Z_OK) {
            status = Z_DATA_ERROR; // truncated: the stream never ended
            break;
        }
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

} // namespace TextEncoding
