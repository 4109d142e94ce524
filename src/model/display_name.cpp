#include "model/display_name.h"

QString DisplayName(const char16_t* name) {
    QString text;
    if (!name) return text;
    for (const char16_t* at = name; *at; ++at) {
        const char16_t unit = *at;
        if (unit == u'\n' || unit == u'\r') {
            text += QChar(0x21B5);  // a return arrow in place of the line break
        } else if (unit < 0x20) {
            text += QChar(0x2400 + unit);  // the control picture of the character
        } else if (unit == 0x7F) {
            text += QChar(0x2421);
        } else if (QChar::isHighSurrogate(unit) && QChar::isLowSurrogate(at[1])) {
            text += QChar(unit);  // a whole pair is one character
            text += QChar(*++at);
        } else if (unit == 0xDC5C) {
            text += QChar(u'\\');  // a host name's own "\" byte
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            // An undecodable host byte: shown with its value.
            text += QChar(QChar::ReplacementCharacter);
            text += QStringLiteral("%1").arg(unit - 0xDC00, 2, 16, QLatin1Char('0')).toUpper();
        } else if (QChar::isSurrogate(unit)) {
            text += QChar(QChar::ReplacementCharacter);
        } else {
            text += QChar(unit);
        }
    }
    return text;
}
