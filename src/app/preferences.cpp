#include "app/preferences.h"

#include <QSettings>

namespace textowl {

namespace {

const QString kGroup = QStringLiteral("Preferences");
const QString kLanguageKey = QStringLiteral("language");
const QString kSkinKey = QStringLiteral("skin");
const QString kImportRegionKey = QStringLiteral("importregion");
const QString kContactFolderKey = QStringLiteral("contactfolder");

QString readLimited(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)
        return {};
    const QString text = value.toString();
    // Count characters (code points), not UTF-16 units.
    if (text.toUcs4().size() >= kPreferenceValueLimit)
        return {};
    return text;
}

void saveOne(QSettings& settings, const QString& key, const QString& value) {
    settings.beginGroup(kGroup);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
}

} // namespace

Preferences Preferences::load(QSettings& settings) {
    Preferences prefs;
    settings.beginGroup(kGroup);
    prefs.language = readLimited(settings, kLanguageKey);
    prefs.skin = readLimited(settings, kSkinKey);
    prefs.importRegion = readLimited(settings, kImportRegionKey);
    prefs.contactFolder = readLimited(settings, kContactFolderKey);
    settings.endGroup();
    return prefs;
}

Preferences Preferences::load() {
    QSettings settings(QStringLiteral("Varnel"), QStringLiteral("Textowl"));
    return load(settings);
}

void Preferences::save(QSettings& settings) const {
    settings.beginGroup(kGroup);
    settings.setValue(kLanguageKey, language);
    settings.setValue(kSkinKey, skin);
    settings.endGroup();
    settings.sync();
}

void Preferences::saveImportRegion(QSettings& settings) const {
    saveOne(settings, kImportRegionKey, importRegion);
}

void Preferences::saveContactFolder(QSettings& settings) const {
    saveOne(settings, kContactFolderKey, contactFolder);
}

void Preferences::save() const {
    QSettings settings(QStringLiteral("Varnel"), QStringLiteral("Textowl"));
    save(settings);
}

} // namespace textowl
