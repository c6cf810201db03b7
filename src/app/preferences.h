#pragma once

#include <QString>

class QSettings;

namespace textowl {

// The two choices remembered between runs: the language's display name and the skin file path.
// Beside them, the region the last contact import read national numbers against.
struct Preferences {
    QString language;
    QString skin;
    QString importRegion;

    // Reads both from the "Preferences" group; a value that is not text, or 255 characters or
    // longer, counts as missing. Reading never creates anything.
    static Preferences load(QSettings& settings);
    static Preferences load(); // the user's own settings
    // Writes both values, every time, so choosing one choice also rewrites the other.
    void save(QSettings& settings) const;
    void save() const;
    // Writes the import region alone: choosing it changes neither of the two choices.
    void saveImportRegion(QSettings& settings) const;
};

// A stored value is used only while it stays below this many characters.
inline constexpr int kPreferenceValueLimit = 255;

} // namespace textowl
