#include "resources/resource_module.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QResource>

#include <algorithm>

// The program's own resources live in this static library; register them once,
// before the first lookup.
static void InitProgramResources() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    Q_INIT_RESOURCE(volumetra);
}

namespace {

// The program's resources sit under ":/volumetra"; a registered vmetra.rcc is
// mapped under ":/vmetra", holding its files at its own root.
const QString PROGRAM_ROOT = QStringLiteral(":/volumetra/");
const QString MODULE_ROOT = QStringLiteral("/vmetra");

QString modulePath;  // the registered file, empty when none

struct StringTable {
    bool loaded = false;
    QHash<uint32_t, QString> texts;
};
StringTable programStrings;
StringTable moduleStrings;

QByteArray ReadResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// A file of the resource module, or the program's own when the module lacks it.
QString ModuleFile(const QString& name) {
    if (!modulePath.isEmpty()) {
        QString path = QStringLiteral(":") + MODULE_ROOT + QStringLiteral("/") + name;
        if (QFile::exists(path)) return path;
    }
    return PROGRAM_ROOT + name;
}

void LoadStringTable(StringTable* table, const QString& path) {
    table->loaded = true;
    table->texts.clear();
    QJsonObject object = QJsonDocument::fromJson(ReadResource(path)).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool ok = false;
        uint32_t id = it.key().toUInt(&ok);
        if (ok && it.value().isString()) table->texts.insert(id, it.value().toString());
    }
}

const QString* FindString(uint32_t id) {
    InitProgramResources();
    if (!modulePath.isEmpty()) {
        if (!moduleStrings.loaded)
            LoadStringTable(&moduleStrings, QStringLiteral(":") + MODULE_ROOT + QStringLiteral("/strings.json"));
        auto it = moduleStrings.texts.constFind(id);
        if (it != moduleStrings.texts.constEnd()) return &*it;
    }
    if (!programStrings.loaded) LoadStringTable(&programStrings, PROGRAM_ROOT + QStringLiteral("strings.json"));
    auto it = programStrings.texts.constFind(id);
    return it != programStrings.texts.constEnd() ? &*it : nullptr;
}

QJsonDocument ModuleJson(const QString& name) { return QJsonDocument::fromJson(ReadResource(ModuleFile(name))); }

}  // namespace

bool LoadResourceModule(const QString& path) {
    InitProgramResources();
    ReleaseResourceModule();
    if (!QFile::exists(path) || !QResource::registerResource(path, MODULE_ROOT)) return false;
    modulePath = path;
    moduleStrings = StringTable();
    return true;
}

void ReleaseResourceModule() {
    if (modulePath.isEmpty()) return;
    QResource::unregisterResource(modulePath, MODULE_ROOT);
    modulePath.clear();
    moduleStrings = StringTable();
}

bool HasResourceModule() { return !modulePath.isEmpty(); }

int LoadStringText(uint32_t id, char16_t* buffer, int capacity) {
    if (capacity <= 0) return 0;
    const QString* text = FindString(id);
    int length = text ? std::min<int>(static_cast<int>(text->size()), capacity - 1) : 0;
    for (int i = 0; i < length; ++i) buffer[i] = (*text)[i].unicode();
    buffer[length] = 0;
    return length;
}

QString StringText(uint32_t id) {
    const QString* text = FindString(id);
    return text ? *text : QString();
}

QJsonArray LoadMenuResource(int id) {
    InitProgramResources();
    return ModuleJson(QStringLiteral("menu%1.json").arg(id)).array();
}

QJsonObject LoadDialogTemplate(int id) {
    InitProgramResources();
    return ModuleJson(QStringLiteral("dialogs.json")).object().value(QString::number(id)).toObject();
}

QJsonArray LoadAcceleratorTable() {
    InitProgramResources();
    return QJsonDocument::fromJson(ReadResource(PROGRAM_ROOT + QStringLiteral("accelerators107.json"))).array();
}

QPixmap ProgramImage(const char* name) {
    InitProgramResources();
    return QPixmap(PROGRAM_ROOT + QLatin1String(name));
}

QPixmap ToolImages() {
    InitProgramResources();
    return QPixmap(ModuleFile(QStringLiteral("images/bitmap108.png")));
}
