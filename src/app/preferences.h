#pragma once

#include <QString>

class QSettings;

namespace textowl {

// The two choices remembered between runs: the language's display name and the skin file path.
// Beside them, the region the last contact import read national numbers against and the folder
// of the last contact file imported or exported.
struct Preferences {
    QString language;
    QString skin;
    QString importRegion;
    QString contactFolder;

    // Reads both from the "Preferences" group; a value that is not text, or 255 characters or
    // longer, counts as missing. Reading never creates anything.
    static Preferences load(QSettings& settings);
    static Preferences load(); // the user's own settings
    // Writes both values, every time, so choosing one choice also rewrites the other.
    void save(QSettings& settings) const;
    void save() const;
    // Write the import region, or the contact folder, alone: neither changes the two choices.
    void saveImportRegion(QSettings& settings) const;
    void saveContactFolder(QSettings& settings) const;
};

// A stored value is used only while it stays below this many characters.
inline constexpr int kPreferenceValueLimit = 255;

} // namespace textowl
