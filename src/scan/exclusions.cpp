#include "scan/exclusions.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "platform/host_names.h"
#include "platform/nested_loops.h"
#include "platform/owner_window.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

bool windowExcludesGiven = false;
bool windowExcludesEdited = false;

ScanExcludes& WindowExcludes() {
    static ScanExcludes excludes;
    return excludes;
}

QString ExcludePatternsText(const ScanExcludes& excludes) {
    QStringList lines;
    for (const std::string& pattern : excludes.Patterns()) {
        std::vector<char16_t> decoded;
        DecodeHostName(pattern.data(), pattern.size(), &decoded);
        lines << QString::fromUtf16(decoded.data(), static_cast<qsizetype>(decoded.size()));
    }
    return lines.join(QLatin1Char('\n'));
}

void SetExcludePatternsText(ScanExcludes* excludes, const QString& text) {
    const bool caches = excludes->Caches();
    excludes->Clear();
    excludes->SetCaches(caches);
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        std::string pattern;
        std::u16string utf16 = line.trimmed().toStdU16String();
        EncodeHostPath(utf16.data(), utf16.size(), &pattern);
        excludes->AddPattern(pattern);
    }
}

void ExclusionsCommand() {
    QDialog dialog(OwnerWindow());
    dialog.setObjectName(QStringLiteral("exclusionsDialog"));
    dialog.setWindowTitle(StringText(STR_EXCLUSIONS_TITLE));
    auto* layout = new QVBoxLayout(&dialog);
    auto* prompt = new QLabel(StringText(STR_EXCLUSIONS_PROMPT), &dialog);
    prompt->setWordWrap(true);
    auto* patterns = new QPlainTextEdit(ExcludePatternsText(WindowExcludes()), &dialog);
    patterns->setObjectName(QStringLiteral("exclusionPatterns"));
    patterns->setAccessibleName(StringText(STR_EXCLUSIONS_TITLE));
    prompt->setBuddy(patterns);
    auto* caches = new QCheckBox(StringText(STR_EXCLUSIONS_CACHES), &dialog);
    caches->setObjectName(QStringLiteral("excludeCaches"));
    caches->setChecked(WindowExcludes().Caches());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(prompt);
    layout->addWidget(patterns);
    layout->addWidget(caches);
    layout->addWidget(buttons);
    dialog.resize(dialog.fontMetrics().averageCharWidth() * 60, dialog.sizeHint().height() + 120);
    int answer;
    {
        NestedLoop loop;
        answer = dialog.exec();
    }
    if (answer != QDialog::Accepted) return;
    WindowExcludes().SetCaches(caches->isChecked());
    SetExcludePatternsText(&WindowExcludes(), patterns->toPlainText());
    windowExcludesEdited = true;
}
