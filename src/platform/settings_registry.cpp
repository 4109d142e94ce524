#include "platform/settings_registry.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstring>
#include <memory>
#include <new>

struct RegistryKey {
    std::unique_ptr<QSettings> settings;
};

namespace {

// "Software\<organisation>\<application>[\<subkey>...]": the store of that
// organisation and application, and the group of the subkeys inside it.
// Registry paths ignore letter case in "Software"; an empty component or one
// with "/" (QSettings' own separator) names no key.
bool StoreOfPath(const char16_t* path, QString* organisation, QString* application, QString* group) {
    if (!path) return false;
    const QStringList parts = QString::fromUtf16(path).split(u'\\');
    if (parts.size() < 3 || parts[0].compare(u"Software", Qt::CaseInsensitive) != 0) return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.contains(u'/')) return false;
    }
    *organisation = parts[1];
    *application = parts[2];
    *group = parts.mid(3).join(u'/');
    return true;
}

// Value names are single QSettings keys: no separators, not empty.
bool ValueKey(const char16_t* name, QString* key) {
    if (!name || !*name) return false;
    *key = QString::fromUtf16(name);
    return !key->contains(u'/') && !key->contains(u'\\');
}

}  // namespace

uint32_t RegistryOpenKey(const char16_t* root, const char16_t* path, bool create, RegistryKey** key) {
    *key = nullptr;
    if (!root || QStringView(root) != QStringView(REG_CURRENT_USER)) return REG_ERROR_INVALID_HANDLE;
    QString organisation, application, group;
    if (!StoreOfPath(path, &organisation, &application, &group))
        return create ? REG_ERROR_ACCESS_DENIED : REG_ERROR_FILE_NOT_FOUND;
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                                application);
    // Values of the system-wide store must not show through as the user's.
    settings->setFallbacksEnabled(false);
    if (!group.isEmpty()) settings->beginGroup(group);
    if (create ? !settings->isWritable() : settings->allKeys().isEmpty())
        return create ? REG_ERROR_ACCESS_DENIED : REG_ERROR_FILE_NOT_FOUND;
    RegistryKey* opened = new (std::nothrow) RegistryKey;
    if (!opened) return REG_ERROR_ACCESS_DENIED;
    opened->settings = std::move(settings);
    *key = opened;
    return REG_OK;
}

uint32_t RegistryQueryValue(RegistryKey* key, const char16_t* name, uint32_t* type, void* data, uint32_t* size) {
    QString valueKey;
    if (!ValueKey(name, &valueKey) || !key->settings->contains(valueKey)) return REG_ERROR_FILE_NOT_FOUND;
    if (data && !size) return REG_ERROR_INVALID_PARAMETER;
    const QVariant value = key->settings->value(valueKey);
    QByteArray bytes;
    uint32_t storedType = REG_TYPE_BINARY;
    if (value.typeId() == QMetaType::QByteArray) {
        bytes = value.toByteArray();
    } else {
        // A text; a hand-edited "a, b" reads back from an ini file as a list.
        const QString text =
            value.typeId() == QMetaType::QStringList ? value.toStringList().join(u", ") : value.toString();
        bytes = QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * sizeof(char16_t));
        storedType = REG_TYPE_TEXT;
    }
    const uint32_t storedSize = static_cast<uint32_t>(bytes.size());
    if (type) *type = storedType;
    if (data && *size < storedSize) {
        *size = storedSize;
        return REG_ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, bytes.constData(), storedSize);
    if (size) *size = storedSize;
    return REG_OK;
}

uint32_t RegistrySetValue(RegistryKey* key, const char16_t* name, uint32_t type, const void* data, uint32_t size) {
    QString valueKey;
    if (!ValueKey(name, &valueKey) || (size > 0 && !data)) return REG_ERROR_INVALID_PARAMETER;
    const char* bytes = static_cast<const char*>(data);
    QVariant value = QByteArray(bytes, size);
    if (type == REG_TYPE_TEXT && size >= sizeof(char16_t) && size % sizeof(char16_t) == 0) {
        QString text(static_cast<qsizetype>(size / sizeof(char16_t)), Qt::Uninitialized);
        std::memcpy(text.data(), bytes, size);
        if (text.back() == QChar(0)) {
            text.chop(1);
            if (QStringView(text).isValidUtf16()) value = text;
        }
    }
    key->settings->setValue(valueKey, value);
    key->settings->sync();
    return key->settings->status() == QSettings::NoError ? REG_OK : REG_ERROR_ACCESS_DENIED;
}

void RegistryCloseKey(RegistryKey* key) {
    delete key;
}
