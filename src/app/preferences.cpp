#include "app/preferences.h"

#include <QSettings>

namespace textowl {

namespace {

const QString kGroup = QStringLiteral("Preferences");
const QString kLanguageKey = QStringLiteral("language");
const QString kSkinKey = QStringLiteral("skin");
const QString kImportRegionKey = QStringLiteral("importregion");

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

} // namespace

Preferences Preferences::load(QSettings& settings) {
    Preferences prefs;
    settings.beginGroup(kGroup);
    prefs.language = readLimited(settings, kLanguageKey);
    prefs.skin = readLimited(settings, kSkinKey);
    prefs.importRegion = readLimited(settings, kImportRegionKey);
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
    settings.beginGroup(kGroup);
    settings.setValue(kImportRegionKey, importRegion);
    settings.endGroup();
    settings.sync();
}

void Preferences::save() const {
    QSettings settings(QStringLiteral("Varnel"), QStringLiteral("Textowl"));
    save(settings);
}

} // namespace textowl
