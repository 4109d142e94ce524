#include "platform/platform_kind.h"


PlatformKind platformKind = PLATFORM_OTHER;

PlatformKind PlatformKindFromText(const char16_t* text) {
    auto is = [text](const char16_t* name) {
        const char16_t* a = text;
        const char16_t* b = name;
        while (*a && *a == *b) ++a, ++b;
        return *a == 0 && *b == 0;
    };
    if (is(u"HPC") || is(u"Jupiter")) return PLATFORM_HANDHELD;
    if (is(u"Palm PC") || is(u"Palm PC2") || is(u"PocketPC")) return PLATFORM_PALMSIZE;
    return PLATFORM_OTHER;
}

#include <QString>
#include <QSysInfo>

#include <algorithm>
#include <cstdlib>

void PlatformTypeText(char16_t* buffer, int capacity) {
    if (capacity <= 0) return;
    const char* variable = std::getenv("VOLUMETRA_PLATFORM");
    QString text = (variable && *variable) ? QString::fromLocal8Bit(variable) : QSysInfo::productType();
    int length = std::min<int>(static_cast<int>(text.size()), capacity - 1);
    for (int i = 0; i < length; ++i) buffer[i] = text[i].unicode();
    buffer[length] = 0;
}
