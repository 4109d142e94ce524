#include "platform/host_names.h"

namespace {

// Length of the valid UTF-8 sequence at bytes[0], or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not valid).
size_t ValidSequence(const unsigned char* bytes, size_t available, char32_t* value) {
    unsigned char lead = bytes[0];
    size_t length;
    char32_t code;
    char32_t minimum;
    if (lead < 0x80) {
        *value = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (available < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    *value = code;
    return length;
}

void AppendUtf8(char32_t code, std::string* out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

size_t DecodeHostName(const char* bytes, size_t length, std::vector<char16_t>* out) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    size_t start = out->size();
    size_t i = 0;
    while (i < length) {
        unsigned char byte = in[i];
        if (byte < 0x80) {
            // Plain ASCII is nearly every name; keep that path short.
            out->push_back(byte == '\\' ? HOST_BACKSLASH : byte);
            ++i;
            continue;
        }
        char32_t code;
        size_t used = ValidSequence(in + i, length - i, &code);
        if (used == 0) {
            out->push_back(static_cast<char16_t>(0xDC00 + byte));
            ++i;
        } else if (code >= 0x10000) {
            code -= 0x10000;
            out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
            i += used;
        } else {
            out->push_back(static_cast<char16_t>(code));
            i += used;
        }
    }
    return out->size() - start;
}

void EncodeHostPath(const char16_t* text, size_t length, std::string* out) {
    for (size_t i = 0; i < length; ++i) {
        char16_t unit = text[i];
        if (unit == u'\\') {
            out->push_back('/');
        } else if (unit < 0x80) {
            out->push_back(static_cast<char>(unit));
        } else if (unit == HOST_BACKSLASH) {
            out->push_back('\\');
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            // An undecodable host byte, given back as it was.
            out->push_back(static_cast<char>(unit - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length &&
                   text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            char32_t code = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            AppendUtf8(code, out);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            // A lone surrogate no host name decodes to: U+FFFD, which names
            // nothing that exists, so the operation fails cleanly.
            AppendUtf8(0xFFFD, out);
        } else {
            AppendUtf8(unit, out);
        }
    }
}
