#include "NativePath.h"

namespace NativePath {

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of the bytes, and its
// code point; 0 when the first byte does not start one. Strict: no overlong
// forms, no surrogates, nothing above U+10FFFF.
int validSequence(const unsigned char *bytes, qsizetype available, char32_t *codePoint)
{
    const unsigned char lead = bytes[0];
    int length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(bytes[i]))
            return 0;
        value = (value << 6) | (bytes[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

void appendUtf8(QByteArray &out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out.append(char(codePoint));
    } else if (codePoint < 0x800) {
        out.append(char(0xC0 | (codePoint >> 6)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.append(char(0xE0 | (codePoint >> 12)));
        out.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    } else {
        out.append(char(0xF0 | (codePoint >> 18)));
        out.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
        out.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
        out.append(char(0x80 | (codePoint & 0x3F)));
    }
}

// Walks the text by code point: a valid surrogate pair gives its code point,
// an escaped byte gives -(byte + 1), any other lone surrogate gives U+FFFD.
template<typename Visit>
void forEachCodePoint(QStringView path, Visit visit)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < path.size()) {
            const char16_t low = path[i + 1].unicode();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                visit(char32_t(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)), -1);
                ++i;
                continue;
            }
        }
        if (unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF) {
            visit(0, int(unit - escapeBase));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            visit(0xFFFD, -1);
            continue;
        }
        visit(char32_t(unit), -1);
    }
}

} // namespace

QString decode(QByteArrayView bytes)
{
    QString path;
    path.reserve(bytes.size());
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const int length = validSequence(data + i, bytes.size() - i, &codePoint);
        if (length == 0) {
            path.append(QChar(char16_t(escapeBase + data[i])));
            ++i;
            continue;
        }
        if (codePoint >= 0x10000) {
            path.append(QChar(char16_t(0xD800 + ((codePoint - 0x10000) >> 10))));
            path.append(QChar(char16_t(0xDC00 + ((codePoint - 0x10000) & 0x3FF))));
        } else {
            path.append(QChar(char16_t(codePoint)));
        }
        i += length;
    }
    return path;
}

QByteArray encode(QStringView path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    forEachCodePoint(path, [&bytes](char32_t codePoint, int rawByte) {
        if (rawByte >= 0)
            bytes.append(char(rawByte));
        else
            appendUtf8(bytes, codePoint);
    });
    return bytes;
}

QByteArray toJson(QStringView path)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray json;
    json.reserve(path.size() + 2);
    json.append('"');
    forEachCodePoint(path, [&json](char32_t codePoint, int rawByte) {
        if (rawByte >= 0) {
            json.append("\\udc");
            json.append(hex[rawByte >> 4]);
            json.append(hex[rawByte & 15]);
            return;
        }
        switch (codePoint) {
        case '"': json.append("\\\""); return;
        case '\\': json.append("\\\\"); return;
        case '\n': json.append("\\n"); return;
        case '\r': json.append("\\r"); return;
        case '\t': json.append("\\t"); return;
        case '\b': json.append("\\b"); return;
        case '\f': json.append("\\f"); return;
        default: break;
        }
        if (codePoint < 0x20 || codePoint == 0x7F) {
            json.append("\\u00");
            json.append(hex[(codePoint >> 4) & 15]);
            json.append(hex[codePoint & 15]);
            return;
        }
        appendUtf8(json, codePoint);
    });
    json.append('"');
    return json;
}

} // namespace NativePath
